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
  return Ratio(input, contender, reference);
}

double RatioReporter::Ratio(const std::string& input, const std::string& contender, const std::string& against) const {
  const double time = MedianNs(contender + "/" + input);
  const double base = MedianNs(against + "/" + input);
  return time > 0 && base > 0 ? time / base : 0;
}

void RatioReporter::PrintPerOutputSample(const std::vector<std::string>& group, const std::string& against,
                                         double output_samples) const {
  std::printf("\nMedian CPU time per output sample, and each contender's time / %s's:\n", against.c_str());
  std::printf("%-22s", "input");
  for (const auto& contender : group) std::printf(" %22s", contender.c_str());
  std::printf("\n");
  for (const auto& input : inputs) {
    const double base = MedianNs(against + "/" + input);
    if (base <= 0) continue;
    std::printf("%-22s", input.c_str());
    for (const auto& contender : group) {
      const double ns = MedianNs(contender + "/" + input);
      char cell[64] = "-";
      if (ns > 0) std::snprintf(cell, sizeof cell, "%.2f ns (x%.2f)", ns / output_samples, ns / base);
      std::printf(" %22s", cell);
    }
    std::printf("\n");
  }
  std::fflush(stdout);
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
