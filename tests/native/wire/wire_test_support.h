// Helpers shared by the inspector's tests.
#ifndef KESTRO_WIRE_TEST_SUPPORT_H_
#define KESTRO_WIRE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/standard_codec_serializer.h"
#include "hex.h"
#include "value_text.h"

namespace kestro::wire::testing {

// The message bytes of a value, as hex: equal hex means the same
// alternatives and the same bits, NaN payloads and signed zeros included.
inline std::string MessageHex(const flutter::EncodableValue& value) {
  std::vector<uint8_t> bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  flutter::StandardCodecSerializer::Shared().WriteValue(value, &writer);
  return FormatHex(bytes);
}

inline flutter::EncodableValue Parse(std::string_view text) {
  TextError error;
  std::optional<flutter::EncodableValue> value = ParseValueText(text, &error);
  EXPECT_TRUE(value.has_value()) << text << ": " << error.message << " at " << error.offset;
  return value.value_or(flutter::EncodableValue());
}

inline TextError ParseFailure(std::string_view text) {
  TextError error;
  EXPECT_FALSE(ParseValueText(text, &error).has_value()) << text;
  return error;
}

}  // namespace kestro::wire::testing

#endif  // KESTRO_WIRE_TEST_SUPPORT_H_
