// Splits a path's median time into the stand-in engine's share and the
// client library's, and states each goal on the client library's share.
#ifndef KESTRO_BENCH_MESSAGING_SHARE_REPORT_H_
#define KESTRO_BENCH_MESSAGING_SHARE_REPORT_H_

#include <string>
#include <utility>
#include <vector>

#include "median_reporter.h"

namespace kestro::bench {

// One path through the client library: `total` runs it end to end,
// `standin` does only the stand-in engine's part of it with ready-made
// bytes, and `codec` does only the codec work it contains.
struct PathSplit {
  std::string what;
  std::string total;
  std::string standin;
  std::string codec;
  // The client library's share is total - standin, less the codec work
  // when `codec_inside_share` is false ...
  bool codec_inside_share;
  // ... and must stay at or below this multiple of the codec work.
  double target;
};

class ShareReport : public MedianReporter {
 public:
  explicit ShareReport(std::vector<PathSplit> paths) : paths_(std::move(paths)) {}

  void Finalize() override;

 private:
  std::vector<PathSplit> paths_;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_MESSAGING_SHARE_REPORT_H_
