// Any bytes read as one value through a reader with only the three
// operations every reader has, which can tell neither how many bytes it
// holds nor when a read comes up short: what one value may decode to is
// bounded all the same (a value can reach 16 MiB, so this target is slow).
#include <algorithm>

#include "fuzz_oracle.h"

namespace {

class ThreeOperationReader : public flutter::ByteStreamReader {
 public:
  ThreeOperationReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t GetByte() override { return position_ < size_ ? data_[position_++] : 0; }
  void GetBytes(uint8_t* destination, size_t length) override {
    if (position_ > size_ || length > size_ - position_) return;
    std::copy_n(data_ + position_, length, destination);
    position_ += length;
  }
  void SkipPadding(uint8_t alignment) override {
    if (position_ % alignment != 0) position_ += alignment - position_ % alignment;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace flutter;
  ThreeOperationReader bare(data, size);
  fuzz::CheckStable(StandardCodecSerializer::Shared().ReadNextValue(&bare));
  return 0;
}
