// After the usual console output, states each codec goal: the median CPU
// time of a codec benchmark set against its baseline's, measured in the
// same run, as one goal line.
#ifndef KESTRO_BENCH_CODEC_RATIO_TABLE_H_
#define KESTRO_BENCH_CODEC_RATIO_TABLE_H_

#include <string>
#include <utility>
#include <vector>

#include "goal_line.h"
#include "median_reporter.h"

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

class RatioTable : public MedianReporter {
 public:
  explicit RatioTable(std::vector<Comparison> comparisons) : comparisons_(std::move(comparisons)) {}

  void Finalize() override;

 private:
  std::vector<Comparison> comparisons_;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_CODEC_RATIO_TABLE_H_
