#include "ratio_table.h"

namespace kestro::bench {

void RatioTable::Finalize() {
  ConsoleReporter::Finalize();
  for (const Comparison& c : comparisons_) {
    const double contender = MedianNs(c.contender);
    const double baseline = MedianNs(c.baseline);
    if (contender <= 0 || baseline <= 0) continue;  // filtered out
    const double ratio = c.goal == Goal::kAtMost ? contender / baseline : baseline / contender;
    ReportGoal(c.what, ratio, c.goal, c.target);
  }
}

}  // namespace kestro::bench
