// Console output plus, at the end, each contender's median time as a ratio
// to the production pipeline's on the same input, from the same run.
#ifndef KESTRO_BENCH_AUDIO_RATIO_REPORTER_H_
#define KESTRO_BENCH_AUDIO_RATIO_REPORTER_H_

#include <string>
#include <vector>

#include "median_reporter.h"

namespace kestro::bench {

class RatioReporter : public MedianReporter {
 public:
  // Benchmarks are named "CONTENDER/INPUT"; `reference` is the contender the
  // others are compared with.
  RatioReporter(std::vector<std::string> contenders, std::string reference);

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

  // The median time of `contender` over the reference's on `input`; 0 when
  // either was not measured.
  double Ratio(const std::string& input, const std::string& contender) const;
  // The same against another contender than the reference.
  double Ratio(const std::string& input, const std::string& contender, const std::string& against) const;

  // A second table: the median CPU time per output sample (`output_samples`
  // per run) of `group` on the inputs where `against` ran, and each
  // contender's time over against's.
  void PrintPerOutputSample(const std::vector<std::string>& group, const std::string& against,
                            double output_samples) const;

 private:
  std::vector<std::string> contenders;
  std::string reference;
  std::vector<std::string> inputs;  // in order of appearance
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_AUDIO_RATIO_REPORTER_H_
