// Writes values to and reads them from the standard message format.
#ifndef FLUTTER_STANDARD_CODEC_SERIALIZER_H_
#define FLUTTER_STANDARD_CODEC_SERIALIZER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "flutter/byte_streams.h"
#include "flutter/encodable_value.h"

namespace flutter {

class StandardCodecSerializer {
 public:
  // How many lists and maps a value read may sit inside; a list or map one
  // level deeper is read as empty, with the invalid-read line.
  static constexpr int kMaxNestingDepth = 256;

  StandardCodecSerializer();
  virtual ~StandardCodecSerializer();

  // The process-wide instance, created on first use.
  static const StandardCodecSerializer& Shared();

  // Appends the encoding of one value.
  virtual void WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const;

  // Reads the body of a value whose tag byte was already taken from `stream`.
  // A derived serializer overrides this (and WriteValue) to carry more kinds;
  // nested values go through these virtual slots, so its kinds also work
  // inside lists and maps.
  virtual EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const;

  // Takes a tag byte and reads the value it starts.
  EncodableValue ReadNextValue(ByteStreamReader* stream) const;

 protected:
  void WriteSizePrefix(size_t size, ByteStreamWriter* stream) const;
  uint32_t ReadSizePrefix(ByteStreamReader* stream) const;

  template <typename T>
  void WriteTypedList(const std::vector<T>& list, ByteStreamWriter* stream) const;
  template <typename T>
  EncodableValue ReadTypedList(ByteStreamReader* stream) const;

 private:
  EncodableValue ReadBody(uint8_t type, ByteStreamReader* stream) const;
};

}  // namespace flutter

#endif  // FLUTTER_STANDARD_CODEC_SERIALIZER_H_
