// The byte layout of every kind of value, pinned by exact byte vectors, and
// how each of those vectors decodes when it is cut short.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace flutter::testing {
namespace {

struct Example {
  const char* name;
  EncodableValue value;
  Bytes bytes;
  // Diagnostic lines when decoding the first k bytes, one digit per k from 0;
  // the last digit holds for every longer proper prefix.
  std::string prefix_lines;
};

Bytes Repeat(uint8_t byte, size_t count) {
  return Bytes(count, byte);
}

const std::vector<Example>& EncodedExamples() {
  static const auto* examples = new std::vector<Example>{
      {"null", EncodableValue(), {0x00}, "1"},
      {"true", EncodableValue(true), {0x01}, "1"},
      {"false", EncodableValue(false), {0x02}, "1"},
      {"int32", EncodableValue(int32_t{-2}), {0x03, 0xFE, 0xFF, 0xFF, 0xFF}, "1"},
      {"int64 one, never tag 3", EncodableValue(int64_t{1}), {0x04, 1, 0, 0, 0, 0, 0, 0, 0}, "1"},
      {"double padded from the message start", EncodableValue(1.5),
       Concat({{0x06}, Repeat(0, 7), {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}}), "1"},
      {"empty string", EncodableValue(""), {0x07, 0x00}, "1"},
      {"string of 253", EncodableValue(std::string(253, 'a')), Concat({{0x07, 0xFD}, Repeat('a', 253)}), "1"},
      {"string of 254", EncodableValue(std::string(254, 'b')), Concat({{0x07, 0xFE, 0xFE, 0x00}, Repeat('b', 254)}),
       "1"},
      {"string of 65535", EncodableValue(std::string(65535, 'c')),
       Concat({{0x07, 0xFE, 0xFF, 0xFF}, Repeat('c', 65535)}), "1"},
      {"string of 65536", EncodableValue(std::string(65536, 'd')),
       Concat({{0x07, 0xFF, 0x00, 0x00, 0x01, 0x00}, Repeat('d', 65536)}), "1"},
      {"string with zero bytes", EncodableValue(std::string("a\0b", 3)), {0x07, 0x03, 'a', 0, 'b'}, "1"},
      {"byte list, never padded", EncodableValue(std::vector<uint8_t>{1, 2}), {0x08, 0x02, 0x01, 0x02}, "1"},
      {"empty byte list", EncodableValue(std::vector<uint8_t>{}), {0x08, 0x00}, "1"},
      {"int32 list",
       EncodableValue(std::vector<int32_t>{1, -1}),
       {0x09, 0x02, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
       "121"},
      {"int64 list", EncodableValue(std::vector<int64_t>{-1}), Concat({{0x0A, 0x01}, Repeat(0, 6), Repeat(0xFF, 8)}),
       "121"},
      {"double list", EncodableValue(std::vector<double>{1.5}),
       Concat({{0x0B, 0x01}, Repeat(0, 6), {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}}), "121"},
      {"float list", EncodableValue(std::vector<float>{1.5f}), {0x0E, 0x01, 0, 0, 0, 0, 0xC0, 0x3F}, "121"},
      // Empty typed lists keep their padding, as the reader skips it.
      {"empty int32 list", EncodableValue(std::vector<int32_t>{}), {0x09, 0x00, 0x00, 0x00}, "121"},
      {"empty int64 list", EncodableValue(std::vector<int64_t>{}), Concat({{0x0A, 0x00}, Repeat(0, 6)}), "121"},
      {"empty double list", EncodableValue(std::vector<double>{}), Concat({{0x0B, 0x00}, Repeat(0, 6)}), "121"},
      {"empty float list", EncodableValue(std::vector<float>{}), {0x0E, 0x00, 0x00, 0x00}, "121"},
      {"list holding a double pads by message position", EncodableValue(ValueList{EncodableValue(1.5)}),
       Concat({{0x0C, 0x01, 0x06}, Repeat(0, 5), {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}}), "1"},
      {"map chunk_ms to 100", EncodableValue(ValueMap{{EncodableValue("chunk_ms"), EncodableValue(100)}}),
       Concat({{0x0D, 0x01, 0x07, 0x08}, TextBytes("chunk_ms"), {0x03, 0x64, 0x00, 0x00, 0x00}}), "11112222222221111"},
      {"map in key order whatever the insertion order",
       [] {
         ValueMap map;
         map[EncodableValue("b")] = EncodableValue(false);
         map[EncodableValue(1)] = EncodableValue();
         return EncodableValue(std::move(map));
       }(),
       {0x0D, 0x02, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00, 0x07, 0x01, 'b', 0x02},
       "111111132222"},
  };
  return *examples;
}

TEST(WireFormat, EncodesEachExampleToExactlyItsBytes) {
  for (const Example& example : EncodedExamples()) {
    std::vector<std::string> lines;
    Bytes bytes;
    lines = StderrLinesOf([&] { bytes = Encode(example.value); });
    EXPECT_EQ(Hex(bytes), Hex(example.bytes)) << example.name;
    EXPECT_TRUE(lines.empty()) << example.name;
  }
}

TEST(WireFormat, DecodesEachExampleToItsValueSilently) {
  for (const Example& example : EncodedExamples()) {
    EncodableValue decoded;
    const auto lines = StderrLinesOf([&] { decoded = Decode(example.bytes); });
    EXPECT_EQ(decoded.index(), example.value.index()) << example.name;
    EXPECT_SAME_VALUE(decoded, example.value) << example.name;
    EXPECT_TRUE(lines.empty()) << example.name;
  }
}

size_t ExpectedPrefixLines(const std::string& digits, size_t length) {
  return static_cast<size_t>(digits[std::min(length, digits.size() - 1)] - '0');
}

TEST(WireFormat, EveryProperPrefixDecodesWithTheExpectedDiagnostics) {
  for (const Example& example : EncodedExamples()) {
    for (size_t length : PrefixLengths(example.bytes.size())) {
      const Bytes prefix(example.bytes.begin(), example.bytes.begin() + length);
      const auto lines = StderrLinesOf([&] { (void)Decode(prefix); });
      ASSERT_EQ(lines.size(), ExpectedPrefixLines(example.prefix_lines, length))
          << example.name << ", first " << length << " bytes";
    }
  }
}

// Minimal streams of someone else's making: only the four operations each,
// so the serializer cannot take its shortcuts for the buffer streams.
class PlainWriter : public ByteStreamWriter {
 public:
  void PutByte(uint8_t byte) override { bytes.push_back(byte); }
  void PutBytes(const uint8_t* source, size_t length) override { bytes.insert(bytes.end(), source, source + length); }
  void PutPadding(uint8_t alignment) override {
    while (bytes.size() % alignment != 0) bytes.push_back(0);
  }
  Bytes bytes;
};

class PlainReader : public ByteStreamReader {
 public:
  explicit PlainReader(const Bytes& bytes) : inner_(bytes.data(), bytes.size()) {}
  uint8_t GetByte() override { return inner_.GetByte(); }
  void GetBytes(uint8_t* destination, size_t length) override { inner_.GetBytes(destination, length); }
  void SkipPadding(uint8_t alignment) override { inner_.SkipPadding(alignment); }

 private:
  ByteBufferStreamReader inner_;
};

TEST(WireFormat, AnyStreamImplementationSeesTheSameBytes) {
  for (const Example& example : EncodedExamples()) {
    PlainWriter writer;
    StandardCodecSerializer::Shared().WriteValue(example.value, &writer);
    EXPECT_EQ(Hex(writer.bytes), Hex(example.bytes)) << example.name;

    PlainReader reader(example.bytes);
    EncodableValue decoded;
    const auto lines = StderrLinesOf([&] { decoded = StandardCodecSerializer::Shared().ReadNextValue(&reader); });
    EXPECT_SAME_VALUE(decoded, example.value) << example.name;
    EXPECT_TRUE(lines.empty()) << example.name;
  }
}

TEST(WireFormat, CustomValueGoesOutAsNullWithOneLine) {
  Bytes bytes;
  const auto lines = StderrLinesOf([&] {
    bytes = Encode(EncodableValue(ValueList{EncodableValue(CustomValue(3)), EncodableValue(true)}));
  });
  EXPECT_EQ(Hex(bytes), "0C 02 00 01");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "Unhandled custom type in StandardCodecSerializer::WriteValue. Custom types require codec extensions.");
}

std::string DroppedEntries(int dropped, int declared) {
  return "Map entries dropped in StandardCodecSerializer::ReadValueOfType: " + std::to_string(dropped) + " of " +
         std::to_string(declared) + " keys equivalent to an earlier key";
}

struct DecodeOnly {
  const char* name;
  Bytes bytes;
  EncodableValue expected;
  std::vector<std::string> lines;  // written by the full decode
  std::string prefix_lines;        // as in Example
};

TEST(WireFormat, ReadsWhatTheWriterNeverProduces) {
  const std::string unknown = "Unknown type in StandardCodecSerializer::ReadValueOfType: ";
  const std::vector<DecodeOnly> cases = {
      {"tag 5 reads as a string", {0x05, 0x03, '1', '2', '3'}, EncodableValue("123"), {}, "1"},
      {"3-byte size prefix need not be minimal",
       {0x07, 0xFE, 0x05, 0x00, 'h', 'e', 'l', 'l', 'o'},
       EncodableValue("hello"),
       {},
       "1"},
      {"5-byte size prefix need not be minimal",
       {0x08, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x09},
       EncodableValue(std::vector<uint8_t>{9}),
       {},
       "1"},
      {"first of duplicate map keys wins",
       {0x0D, 0x02, 0x07, 0x01, 'a', 0x03, 0x01, 0, 0, 0, 0x07, 0x01, 'a', 0x03, 0x02, 0, 0, 0},
       EncodableValue(ValueMap{{EncodableValue("a"), EncodableValue(1)}}),
       {DroppedEntries(1, 2)},
       "111111431122222222"},
      {"duplicate with a container value is discarded whole",
       {0x0D, 0x02, 0x01, 0x0C, 0x01, 0x01, 0x01, 0x0C, 0x01, 0x02},
       EncodableValue(ValueMap{{EncodableValue(true), EncodableValue(ValueList{EncodableValue(true)})}}),
       {DroppedEntries(1, 2)},
       "1111113222"},
      {"message ending after tag 3 reads int32 0", {0x03}, EncodableValue(int32_t{0}), {kInvalidRead}, "1"},
      {"message ending after tag 4 reads int64 0", {0x04, 0x01}, EncodableValue(int64_t{0}), {kInvalidRead}, "1"},
      {"unknown tag 42 reads as null", {0x2A}, EncodableValue(), {unknown + "42"}, "1"},
      {"bytes after an unknown tag are read as the next value",
       {0x0C, 0x02, 0xFF, 0x01},
       EncodableValue(ValueList{EncodableValue(), EncodableValue(true)}),
       {unknown + "255"},
       "1"},
      {"empty message reads as null", {}, EncodableValue(), {kInvalidRead}, ""},
      // An empty typed list without its padding at the very end: the skip runs
      // past the end and the zero-length read fails.
      {"unpadded empty float list at the end",
       {0x0E, 0x00},
       EncodableValue(std::vector<float>{}),
       {kInvalidRead},
       "12"},
  };
  for (const DecodeOnly& c : cases) {
    EncodableValue decoded;
    const auto lines = StderrLinesOf([&] { decoded = Decode(c.bytes); });
    EXPECT_EQ(decoded.index(), c.expected.index()) << c.name;
    EXPECT_SAME_VALUE(decoded, c.expected) << c.name;
    EXPECT_EQ(lines, c.lines) << c.name;
    for (size_t length : PrefixLengths(c.bytes.size())) {
      const Bytes prefix(c.bytes.begin(), c.bytes.begin() + length);
      const auto prefix_lines = StderrLinesOf([&] { (void)Decode(prefix); });
      ASSERT_EQ(prefix_lines.size(), ExpectedPrefixLines(c.prefix_lines, length)) << c.name << ", first " << length;
    }
  }
}

// A NaN is neither before nor after any double, so it is equivalent to every
// double key: the ordering keeps the first of them, and says what it dropped.
TEST(WireFormat, MapEntriesDroppedAsEquivalentAreCountedInOneLine) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Laid out as a list of keys and values, then labelled a map of three entries.
  Bytes message = Encode(EncodableValue(ValueList{EncodableValue(1.0), EncodableValue(1), EncodableValue(nan),
                                                  EncodableValue(2), EncodableValue(2.0), EncodableValue(3)}));
  message[0] = 0x0D;
  message[1] = 0x03;
  EncodableValue decoded;
  const auto lines = StderrLinesOf([&] { decoded = Decode(message); });
  EXPECT_EQ(lines, std::vector<std::string>{DroppedEntries(1, 3)});
  const ValueMap& map = decoded.Get<ValueMap>();
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map.begin()->first.Get<double>(), 1.0);
  EXPECT_EQ(map.rbegin()->first.Get<double>(), 2.0);
}

}  // namespace
}  // namespace flutter::testing
