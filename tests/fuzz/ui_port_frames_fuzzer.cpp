// Any bytes as what a UI peer sends the UI port: the byte stream split into
// frame bodies (the same bodies however the stream arrives in pieces), and
// each body decoded as a request or refused with a reason.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_oracle.h"
#include "ui_port/frames.h"

namespace {

using standin::internal::frames::FrameSplitter;

struct Split {
  std::vector<std::vector<uint8_t>> bodies;
  bool too_large = false;  // the stream was refused after the bodies
  bool operator==(const Split& other) const { return bodies == other.bodies && too_large == other.too_large; }
};

// The bodies of the stream fed in pieces of the given sizes (cycled).
Split SplitStream(const uint8_t* data, size_t size, const std::vector<size_t>& pieces) {
  FrameSplitter splitter;
  Split split;
  size_t offset = 0;
  for (size_t k = 0; offset < size; ++k) {
    const size_t piece = std::min(size - offset, pieces[k % pieces.size()]);
    splitter.Feed(data + offset, piece);
    offset += piece;
    std::vector<uint8_t> body;
    for (FrameSplitter::Status status; (status = splitter.Next(&body)) != FrameSplitter::Status::kNeedMore;) {
      if (status == FrameSplitter::Status::kTooLarge) {
        split.too_large = true;
        return split;
      }
      split.bodies.push_back(body);
    }
  }
  return split;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using flutter::fuzz::Check;
  const Split whole = SplitStream(data, size, {size == 0 ? 1 : size});
  Check(SplitStream(data, size, {1}) == whole, "byte by byte, the stream splits into other bodies");
  Check(SplitStream(data, size, {3, 7, 1, 64}) == whole, "in uneven pieces, the stream splits into other bodies");

  for (const std::vector<uint8_t>& body : whole.bodies) {
    std::string error;
    const auto request = standin::internal::frames::DecodeRequest(body.data(), body.size(), &error);
    Check(request.has_value() || !error.empty(), "refused without a reason");
  }
  return 0;
}
