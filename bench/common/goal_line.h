// One line per performance goal, printed by whichever benchmark measures it:
//   goal: <what>: <measured><unit> (goal <= or >= <target><unit>): met
// scripts/bench.sh collects every such line (also from scripts, which print
// the same shape) into the closing summary of `make bench`.
#ifndef KESTRO_BENCH_GOALS_GOAL_LINE_H_
#define KESTRO_BENCH_GOALS_GOAL_LINE_H_

#include <string>

namespace kestro::bench {

enum class Goal { kAtLeast, kAtMost };

// Prints the goal line to standard output and returns whether it was met.
// `unit` follows each number: "x" for ratios, " ms", "%".
bool ReportGoal(const std::string& what, double measured, Goal goal, double target, const std::string& unit = "x");

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_GOALS_GOAL_LINE_H_
