#include "median_reporter.h"

#include <algorithm>

namespace kestro::bench {
namespace {

double CpuNs(const benchmark::BenchmarkReporter::Run& run) {
  return run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) *
         benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond);
}

}  // namespace

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const std::string& name = run.run_name.function_name;
    if (run.run_type == Run::RT_Aggregate) {
      if (run.aggregate_name == "median") median_ns_[name] = CpuNs(run);
    } else {
      run_ns_[name].push_back(CpuNs(run));
    }
  }
}

double MedianReporter::MedianNs(const std::string& name) const {
  if (const auto median = median_ns_.find(name); median != median_ns_.end()) return median->second;
  const auto runs = run_ns_.find(name);
  if (runs == run_ns_.end() || runs->second.empty()) return 0;
  std::vector<double> times = runs->second;
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

}  // namespace kestro::bench
