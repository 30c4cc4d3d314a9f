#include "goal_line.h"

#include <cstdio>

namespace kestro::bench {

bool ReportGoal(const std::string& what, double measured, Goal goal, double target, const std::string& unit) {
  const bool met = goal == Goal::kAtLeast ? measured >= target : measured <= target;
  std::printf("goal: %s: %.2f%s (goal %s %.2f%s): %s\n", what.c_str(), measured, unit.c_str(),
              goal == Goal::kAtLeast ? ">=" : "<=", target, unit.c_str(), met ? "met" : "not met");
  std::fflush(stdout);
  return met;
}

}  // namespace kestro::bench
