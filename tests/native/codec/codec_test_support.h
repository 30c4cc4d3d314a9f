// Helpers shared by the codec tests: encoding to and decoding from byte
// vectors, and counting the diagnostic lines a step writes.
#ifndef KESTRO_TESTS_CODEC_TEST_SUPPORT_H_
#define KESTRO_TESTS_CODEC_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"

namespace flutter::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Encode(const EncodableValue& value,
                    const StandardCodecSerializer& serializer = StandardCodecSerializer::Shared()) {
  Bytes bytes;
  ByteBufferStreamWriter writer(&bytes);
  serializer.WriteValue(value, &writer);
  return bytes;
}

inline EncodableValue Decode(const Bytes& bytes,
                             const StandardCodecSerializer& serializer = StandardCodecSerializer::Shared()) {
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  return serializer.ReadNextValue(&reader);
}

// What a step wrote on the standard error stream, one entry per line.
inline std::vector<std::string> StderrLinesOf(const std::function<void()>& step) {
  ::testing::internal::CaptureStderr();
  step();
  const std::string text = ::testing::internal::GetCapturedStderr();
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start) + "<no line end>");
  return lines;
}

// The lengths of the proper prefixes worth cutting a message to: every one of
// a short message; of a long one the first and last 64 and a spread between.
inline std::vector<size_t> PrefixLengths(size_t size) {
  std::vector<size_t> lengths;
  for (size_t length = 0; length < size; ++length) {
    if (length < 64 || size - length <= 64 || length % 4093 == 0) lengths.push_back(length);
  }
  return lengths;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes TextBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

inline std::string Hex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (uint8_t byte : bytes) {
    if (!hex.empty()) hex += ' ';
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

// Values have no equality of their own (a CustomValue cannot be compared by
// content); two values built from the standard kinds are the same when they
// encode to the same bytes. Bytes also compare NaNs sensibly.
#define EXPECT_SAME_VALUE(a, b)                                     \
  EXPECT_EQ(::flutter::testing::Hex(::flutter::testing::Encode(a)), \
            ::flutter::testing::Hex(::flutter::testing::Encode(b)))

inline const char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader";

}  // namespace flutter::testing

#endif  // KESTRO_TESTS_CODEC_TEST_SUPPORT_H_
