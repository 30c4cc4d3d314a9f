#include "ratio_reporter.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kestro::bench {

RatioReporter::RatioReporter(std::vector<std::string> contenders, std::string reference)
    : contenders(std::move(contenders)), reference(std::move(reference)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    // The median of the repetitions, or the one run when there is only one.
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    if (run.aggregate_name != "median" && !single) continue;
    const std::string name = run.run_name.function_name;
    const auto slash = name.find('/');
    if (slash == std::string::npos) continue;
    const std::string contender = name.substr(0, slash);
    const std::string input = name.substr(slash + 1);
    if (std::find(inputs.begin(), inputs.end(), input) == inputs.end()) inputs.push_back(input);
    median_ns[input][contender] = run.GetAdjustedCPUTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                  benchmark::GetTimeUnitMultiplier(run.time_unit);
  }
}

double RatioReporter::Ratio(const std::string& input, const std::string& contender) const {
  const auto times = median_ns.find(input);
  if (times == median_ns.end()) return 0;
  const auto time = times->second.find(contender);
  const auto base = times->second.find(reference);
  if (time == times->second.end() || base == times->second.end() || base->second <= 0) return 0;
  return time->second / base->second;
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\nMedian CPU time per 10 s of input, and each contender's time / %s's:\n", reference.c_str());
  std::printf("%-22s", "input");
  for (const auto& contender : contenders) std::printf(" %24s", contender.c_str());
  std::printf("\n");
  for (const auto& input : inputs) {
    auto& times = median_ns[input];
    std::printf("%-22s", input.c_str());
    for (const auto& contender : contenders) {
      const double ns = times[contender];
      const double base = times[reference];
      char cell[64] = "-";
      if (ns > 0) std::snprintf(cell, sizeof cell, "%.3f ms (x%.2f)", ns / 1e6, base > 0 ? ns / base : 0.0);
      std::printf(" %24s", cell);
    }
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace kestro::bench
