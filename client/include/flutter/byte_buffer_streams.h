// Byte streams over memory: a reader of a borrowed range and a writer that
// appends to a caller-owned array.
#ifndef FLUTTER_BYTE_BUFFER_STREAMS_H_
#define FLUTTER_BYTE_BUFFER_STREAMS_H_

#include <cstdint>
#include <vector>

#include "flutter/byte_streams.h"

namespace flutter {

class ByteBufferStreamReader : public ByteStreamReader {
 public:
  // The range must outlive the reader.
  ByteBufferStreamReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t GetByte() override;
  void GetBytes(uint8_t* destination, size_t length) override;
  void SkipPadding(uint8_t alignment) override;
  size_t RemainingBytes() const override { return position_ < size_ ? size_ - position_ : 0; }

  uint64_t position() const { return position_; }

 private:
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_ = 0;
};

class ByteBufferStreamWriter : public ByteStreamWriter {
 public:
  // Appends to `buffer`, which is not cleared. Padding counts from the
  // buffer's first byte, so hand over an empty array for a new message.
  explicit ByteBufferStreamWriter(std::vector<uint8_t>* buffer) : buffer_(buffer) {}

  void PutByte(uint8_t byte) override;
  void PutBytes(const uint8_t* source, size_t length) override;
  void PutPadding(uint8_t alignment) override;

 private:
  // Grows capacity by half (at least enough for `extra` more bytes).
  void Reserve(size_t extra);

  std::vector<uint8_t>* buffer_;
};

}  // namespace flutter

#endif  // FLUTTER_BYTE_BUFFER_STREAMS_H_
