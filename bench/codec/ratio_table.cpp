#include "ratio_table.h"

#include <cstdio>

namespace kestro::bench {

void RatioTable::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.aggregate_name != "median") continue;
    median_ns_[run.run_name.function_name] = run.GetAdjustedCPUTime() /
                                             benchmark::GetTimeUnitMultiplier(run.time_unit) *
                                             benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond);
  }
}

void RatioTable::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n%-27s %9s  %-26s %9s %8s %8s  %s\n", "codec", "median ns", "baseline", "median ns", "ratio", "target",
              "met");
  for (const Comparison& c : comparisons_) {
    const auto contender = median_ns_.find(c.contender);
    const auto baseline = median_ns_.find(c.baseline);
    if (contender == median_ns_.end() || baseline == median_ns_.end()) continue;  // filtered out
    const double ratio = c.within ? contender->second / baseline->second : baseline->second / contender->second;
    const bool met = c.within ? ratio <= c.target : ratio >= c.target;
    all_met_ = all_met_ && met;
    std::printf("%-27s %9.0f  %-26s %9.0f %7.2fx %s%5.1fx  %s\n", c.contender.c_str(), contender->second,
                c.baseline.c_str(), baseline->second, ratio, c.within ? "<=" : ">=", c.target, met ? "yes" : "NO");
  }
  std::printf(
      "(median CPU time of the repetitions; ratio: codec/baseline for <= targets, baseline/codec for >= targets)\n");
  std::fflush(stdout);
}

}  // namespace kestro::bench
