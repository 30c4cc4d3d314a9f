// Prints, after the usual console output, each codec benchmark's median
// beside its baseline's and the ratio the targets are stated in.
#ifndef KESTRO_BENCH_CODEC_RATIO_TABLE_H_
#define KESTRO_BENCH_CODEC_RATIO_TABLE_H_

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kestro::bench {

struct Comparison {
  std::string contender;
  std::string baseline;
  // "within" : contender / baseline must stay at or below `target`;
  // "faster" : baseline / contender must reach at least `target`.
  bool within;
  double target;
};

class RatioTable : public benchmark::ConsoleReporter {
 public:
  // Plain text: the output usually goes to a log or a pipe.
  explicit RatioTable(std::vector<Comparison> comparisons)
      : ConsoleReporter(OO_Tabular), comparisons_(std::move(comparisons)) {}

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

  // Whether every comparison met its target in this run.
  bool all_met() const { return all_met_; }

 private:
  std::vector<Comparison> comparisons_;
  std::map<std::string, double> median_ns_;
  bool all_met_ = true;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_CODEC_RATIO_TABLE_H_
