// After the usual console output, states each codec goal: the median CPU
// time of a codec benchmark set against its baseline's, measured in the
// same run, as one goal line.
#ifndef KESTRO_BENCH_CODEC_RATIO_TABLE_H_
#define KESTRO_BENCH_CODEC_RATIO_TABLE_H_

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "goal_line.h"

namespace kestro::bench {

struct Comparison {
  std::string what;
  std::string contender;
  std::string baseline;
  // kAtMost: contender / baseline must stay at or below `target`;
  // kAtLeast: baseline / contender ("times faster") must reach it.
  Goal goal;
  double target;
};

class RatioTable : public benchmark::ConsoleReporter {
 public:
  // Plain text: the output usually goes to a log or a pipe.
  explicit RatioTable(std::vector<Comparison> comparisons)
      : ConsoleReporter(OO_Tabular), comparisons_(std::move(comparisons)) {}

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  // The median of the repetitions, or of the runs themselves when there
  // were too few repetitions for an aggregate.
  double MedianNs(const std::string& name) const;

  std::vector<Comparison> comparisons_;
  std::map<std::string, double> median_ns_;
  std::map<std::string, std::vector<double>> run_ns_;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_CODEC_RATIO_TABLE_H_
