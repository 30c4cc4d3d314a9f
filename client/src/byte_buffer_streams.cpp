#include "flutter/byte_buffer_streams.h"

#include <algorithm>
#include <cstring>

#include "diagnostics.h"
#include "wire_format.h"

namespace flutter {

using internal::kInvalidReadLine;

uint8_t ByteBufferStreamReader::GetByte() {
  if (position_ >= size_) {
    read_past_end_ = true;
    internal::WriteDiagnosticLine(kInvalidReadLine);
    return 0;
  }
  return data_[position_++];
}

void ByteBufferStreamReader::GetBytes(uint8_t* destination, size_t length) {
  // Written so that neither side can overflow, whatever position holds.
  if (position_ > size_ || length > size_ - position_) {
    read_past_end_ = true;
    internal::WriteDiagnosticLine(kInvalidReadLine);
    return;
  }
  if (length != 0) std::memcpy(destination, data_ + position_, length);
  position_ += length;
}

const uint8_t* ByteBufferStreamReader::TakeBytes(size_t length) {
  if (data_ == nullptr || position_ > size_ || length > size_ - position_) return nullptr;
  const uint8_t* bytes = data_ + position_;
  position_ += length;
  return bytes;
}

void ByteBufferStreamReader::SkipPadding(uint8_t alignment) {
  if (alignment == 0) return;
  const uint64_t remainder = position_ % alignment;
  if (remainder != 0) position_ += alignment - remainder;
}

void ByteBufferStreamWriter::Grow(size_t needed) {
  buffer_->reserve(std::max(needed, buffer_->capacity() + buffer_->capacity() / 2));
}

}  // namespace flutter
