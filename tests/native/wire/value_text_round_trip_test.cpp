#include <random>

#include "wire_test_support.h"

namespace kestro::wire::testing {
namespace {

using flutter::EncodableValue;

TEST(ValueTextRoundTrip, CanonicalTextReadsBackToItself) {
  for (const char* text : {
           "null",
           "-2147483648",
           "-9223372036854775808L",
           "-0.0",
           "nan(0x7ff0000000000001)",
           "1.7976931348623157e308",
           R"("\"\\\n\t\u0001\xff é 😀")",
           "u8[0, 255]",
           "f32[1e-45, 3.4028235e38]",
           "f64[-inf, 2.5e-8]",
           R"({1: [], 1L: {}, -0.5: "x", "k": [null, true, {false: i64[1]}]})",
       }) {
    EXPECT_EQ(FormatValueText(Parse(text)), text);
  }
}

TEST(ValueTextRoundTrip, OtherSpellingsBecomeCanonical) {
  EXPECT_EQ(FormatValueText(Parse("{ \"b\":1,\"a\" :[ 2 ,3 ] }")), R"({"a": [2, 3], "b": 1})");
  EXPECT_EQ(FormatValueText(Parse("1E+3")), "1000.0");
  EXPECT_EQ(FormatValueText(Parse("f64[1]")), "f64[1.0]");
  EXPECT_EQ(FormatValueText(Parse(R"("\xc3\xa9\u00E9")")), "\"éé\"");
  EXPECT_EQ(FormatValueText(Parse("007")), "7");
}

// Keeps the decoder's diagnostic lines off the test output for a scope.
class DiscardedDiagnostics {
 public:
  DiscardedDiagnostics() { ::testing::internal::CaptureStderr(); }
  ~DiscardedDiagnostics() { ::testing::internal::GetCapturedStderr(); }
};

// Decoding is fed mutated and random messages; whatever comes out must print
// and read back to the same bits.
TEST(ValueTextRoundTrip, EveryDecodedMessagePrintsAndReadsBack) {
  const std::string sample_hex = MessageHex(
      Parse(R"({"s": "\xff\u0001é", "d": [-0.0, nan, 1e-300], "i": i64[-1], "f": f32[0.5], "b": u8[7], 3: 4L})"));
  TextError unused;
  const std::vector<uint8_t> sample = *ParseHex(sample_hex, &unused);
  std::mt19937 random(20240501);
  const DiscardedDiagnostics discarded;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> message = sample;
    if (round % 3 == 0) {
      message.resize(random() % 64);
      for (uint8_t& byte : message) byte = static_cast<uint8_t>(random() % 16);
    } else {
      for (int flips = 1 + round % 4; flips > 0; --flips) {
        message[random() % message.size()] = static_cast<uint8_t>(random());
      }
    }
    flutter::ByteBufferStreamReader reader(message.data(), message.size());
    const EncodableValue decoded = flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
    const std::string text = FormatValueText(decoded);
    TextError error;
    const std::optional<EncodableValue> reparsed = ParseValueText(text, &error);
    ASSERT_TRUE(reparsed.has_value()) << text << ": " << error.message << " at " << error.offset;
    ASSERT_EQ(MessageHex(*reparsed), MessageHex(decoded)) << text;
  }
}

// A list refused for its depth decodes as an empty one, a level past the
// limit; that prints and reads back too.
TEST(ValueTextRoundTrip, TheDeepestDecodedValueReadsBack) {
  std::vector<uint8_t> message;
  for (int i = 1; i < flutter::StandardCodecSerializer::kMaxNestingDepth; ++i)
    message.insert(message.end(), {0x0c, 0x01});
  message.insert(message.end(), {0x0c, 0x02, 0x0c, 0x0c});
  const DiscardedDiagnostics discarded;
  flutter::ByteBufferStreamReader reader(message.data(), message.size());
  const EncodableValue decoded = flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
  EXPECT_EQ(MessageHex(Parse(FormatValueText(decoded))), MessageHex(decoded));
}

}  // namespace
}  // namespace kestro::wire::testing
