#include "ratio_reporter.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kestro::bench {

RatioReporter::RatioReporter(std::vector<std::string> contenders, std::string reference)
    : contenders(std::move(contenders)), reference(std::move(reference)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  MedianReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const std::string& name = run.run_name.function_name;
    const auto slash = name.find('/');
    if (slash == std::string::npos) continue;
    const std::string input = name.substr(slash + 1);
    if (std::find(inputs.begin(), inputs.end(), input) == inputs.end()) inputs.push_back(input);
  }
}

double RatioReporter::Ratio(const std::string& input, const std::string& contender) const {
  const double time = MedianNs(contender + "/" + input);
  const double base = MedianNs(reference + "/" + input);
  return time > 0 && base > 0 ? time / base : 0;
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\nMedian CPU time per 10 s of input, and each contender's time / %s's:\n", reference.c_str());
  std::printf("%-22s", "input");
  for (const auto& contender : contenders) std::printf(" %24s", contender.c_str());
  std::printf("\n");
  for (const auto& input : inputs) {
    std::printf("%-22s", input.c_str());
    const double base = MedianNs(reference + "/" + input);
    for (const auto& contender : contenders) {
      const double ns = MedianNs(contender + "/" + input);
      char cell[64] = "-";
      if (ns > 0) std::snprintf(cell, sizeof cell, "%.3f ms (x%.2f)", ns / 1e6, base > 0 ? ns / base : 0.0);
      std::printf(" %24s", cell);
    }
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace kestro::bench
