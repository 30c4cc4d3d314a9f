#include "share_report.h"

#include <cstdio>

#include "goal_line.h"

namespace kestro::bench {

void ShareReport::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    if (!single && run.aggregate_name != "median") continue;
    // CPU time of the thread that runs the timed loop (for the events, the
    // thread that stands for the capture thread): other programs on the
    // machine do not count.
    median_ns_[run.run_name.function_name] = run.GetAdjustedCPUTime() /
                                             benchmark::GetTimeUnitMultiplier(run.time_unit) *
                                             benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond);
  }
}

void ShareReport::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n%-20s %9s %9s %9s %9s %8s\n", "path (median ns)", "total", "stand-in", "codec", "client", "client/");
  std::printf("%-20s %9s %9s %9s %9s %8s\n", "", "", "", "", "library", "codec");
  std::vector<std::pair<const PathSplit*, double>> ratios;
  for (const PathSplit& path : paths_) {
    const auto total = median_ns_.find(path.total);
    const auto standin = median_ns_.find(path.standin);
    const auto codec = median_ns_.find(path.codec);
    if (total == median_ns_.end() || standin == median_ns_.end() || codec == median_ns_.end()) continue;  // filtered
    double client = total->second - standin->second;
    if (!path.codec_inside_share) client -= codec->second;
    const double ratio = client / codec->second;
    std::printf("%-20s %9.0f %9.0f %9.0f %9.0f %7.2fx\n", path.what.c_str(), total->second, standin->second,
                codec->second, client, ratio);
    ratios.emplace_back(&path, ratio);
  }
  std::printf(
      "(median CPU time; client library = total - stand-in, less the codec work where the goal is on what\n"
      " the library adds to it)\n");
  std::fflush(stdout);
  for (const auto& [path, ratio] : ratios) {
    ReportGoal(path->what + (path->codec_inside_share ? ": client library's share / bare codec work"
                                                      : ": what the client library adds / bare codec work"),
               ratio, Goal::kAtMost, path->target);
  }
}

}  // namespace kestro::bench
