// Byte streams over memory: a reader of a borrowed range and a writer that
// appends to a caller-owned array.
#ifndef FLUTTER_BYTE_BUFFER_STREAMS_H_
#define FLUTTER_BYTE_BUFFER_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "flutter/byte_streams.h"

namespace flutter {

namespace internal {
class BufferValueReader;
}

class ByteBufferStreamReader : public ByteStreamReader {
 public:
  // The range must outlive the reader.
  ByteBufferStreamReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t GetByte() override;
  void GetBytes(uint8_t* destination, size_t length) override;
  void SkipPadding(uint8_t alignment) override;
  size_t RemainingBytes() const override { return position_ < size_ ? size_ - position_ : 0; }
  bool ReadPastEnd() const override { return read_past_end_; }
  const uint8_t* TakeBytes(size_t length) override;

  uint64_t position() const { return position_; }

 private:
  // The standard serializer reads straight from the range.
  friend class internal::BufferValueReader;

  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_ = 0;
  bool read_past_end_ = false;
};

class ByteBufferStreamWriter : public ByteStreamWriter {
 public:
  // The array written to. The standard serializer appends to it directly
  // when it writes through exactly this class.
  std::vector<uint8_t>* buffer() const { return buffer_; }

  // Appends to `buffer`, which is not cleared. Padding counts from the
  // buffer's first byte, so hand over an empty array for a new message.
  explicit ByteBufferStreamWriter(std::vector<uint8_t>* buffer) : buffer_(buffer) {}

  void PutByte(uint8_t byte) override {
    Reserve(1);
    buffer_->push_back(byte);
  }
  void PutBytes(const uint8_t* source, size_t length) override {
    if (length == 0) return;
    Reserve(length);
    buffer_->insert(buffer_->end(), source, source + length);
  }
  void PutPadding(uint8_t alignment) override {
    if (alignment == 0) return;
    const size_t remainder = buffer_->size() % alignment;
    if (remainder == 0) return;
    for (size_t i = remainder; i < alignment; ++i) ByteBufferStreamWriter::PutByte(0);
  }

 private:
  // Grows capacity by half (at least enough for `extra` more bytes), where
  // the array alone would double.
  void Reserve(size_t extra) {
    const size_t needed = buffer_->size() + extra;
    if (needed > buffer_->capacity()) Grow(needed);
  }
  void Grow(size_t needed);

  std::vector<uint8_t>* buffer_;
};

}  // namespace flutter

#endif  // FLUTTER_BYTE_BUFFER_STREAMS_H_
