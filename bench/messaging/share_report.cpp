#include "share_report.h"

#include <cstdio>

#include "goal_line.h"

namespace kestro::bench {

void ShareReport::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n%-20s %9s %9s %9s %9s %8s\n", "path (median ns)", "total", "stand-in", "codec", "client", "client/");
  std::printf("%-20s %9s %9s %9s %9s %8s\n", "", "", "", "", "library", "codec");
  std::vector<std::pair<const PathSplit*, double>> ratios;
  for (const PathSplit& path : paths_) {
    // The events' CPU time is that of the thread standing for the capture
    // thread, which runs their timed loop.
    const double total = MedianNs(path.total);
    const double standin = MedianNs(path.standin);
    const double codec = MedianNs(path.codec);
    if (total <= 0 || standin <= 0 || codec <= 0) continue;  // filtered out
    double client = total - standin;
    if (!path.codec_inside_share) client -= codec;
    const double ratio = client / codec;
    std::printf("%-20s %9.0f %9.0f %9.0f %9.0f %7.2fx\n", path.what.c_str(), total, standin, codec, client, ratio);
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
