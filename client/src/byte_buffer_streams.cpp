#include "flutter/byte_buffer_streams.h"

#include <algorithm>
#include <cstring>

#include "diagnostics.h"

namespace flutter {

namespace {
constexpr char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader";
}

uint8_t ByteBufferStreamReader::GetByte() {
  if (position_ >= size_) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return 0;
  }
  return data_[position_++];
}

void ByteBufferStreamReader::GetBytes(uint8_t* destination, size_t length) {
  // Written so that neither side can overflow, whatever position holds.
  if (position_ > size_ || length > size_ - position_) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return;
  }
  if (length != 0) std::memcpy(destination, data_ + position_, length);
  position_ += length;
}

void ByteBufferStreamReader::SkipPadding(uint8_t alignment) {
  if (alignment == 0) return;
  const uint64_t remainder = position_ % alignment;
  if (remainder != 0) position_ += alignment - remainder;
}

void ByteBufferStreamWriter::Reserve(size_t extra) {
  const size_t needed = buffer_->size() + extra;
  if (needed <= buffer_->capacity()) return;
  buffer_->reserve(std::max(needed, buffer_->capacity() + buffer_->capacity() / 2));
}

void ByteBufferStreamWriter::PutByte(uint8_t byte) {
  Reserve(1);
  buffer_->push_back(byte);
}

void ByteBufferStreamWriter::PutBytes(const uint8_t* source, size_t length) {
  if (length == 0) return;
  Reserve(length);
  buffer_->insert(buffer_->end(), source, source + length);
}

void ByteBufferStreamWriter::PutPadding(uint8_t alignment) {
  if (alignment == 0) return;
  const size_t remainder = buffer_->size() % alignment;
  if (remainder == 0) return;
  for (size_t i = remainder; i < alignment; ++i) PutByte(0);
}

}  // namespace flutter
