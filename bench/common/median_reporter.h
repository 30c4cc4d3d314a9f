// The console output of Google Benchmark, keeping each benchmark's median
// CPU time for the tables and goal lines that the programs print after it.
#ifndef KESTRO_BENCH_COMMON_MEDIAN_REPORTER_H_
#define KESTRO_BENCH_COMMON_MEDIAN_REPORTER_H_

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace kestro::bench {

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  // Plain text: the output usually goes to a log or a pipe.
  MedianReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override;

 protected:
  // CPU time of the thread that runs the timed loop, so that other programs
  // on the machine do not count: the median of the repetitions, or of the
  // runs themselves when there were too few for an aggregate; 0 when
  // `name` was not run (filtered out).
  double MedianNs(const std::string& name) const;

 private:
  std::map<std::string, double> median_ns_;
  std::map<std::string, std::vector<double>> run_ns_;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_COMMON_MEDIAN_REPORTER_H_
