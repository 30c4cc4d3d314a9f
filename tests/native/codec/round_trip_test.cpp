// Writing a value and reading it back gives the same value, of the same
// alternatives, wherever it sits in the message.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace flutter::testing {
namespace {

// Reads back what was written, silently and to the last byte.
void ExpectRoundTrip(const EncodableValue& value, const std::string& what) {
  const Bytes bytes = Encode(value);
  EncodableValue decoded;
  uint64_t consumed = 0;
  const auto lines = StderrLinesOf([&] {
    ByteBufferStreamReader reader(bytes.data(), bytes.size());
    decoded = StandardCodecSerializer::Shared().ReadNextValue(&reader);
    consumed = reader.position();
  });
  EXPECT_TRUE(lines.empty()) << what;
  EXPECT_EQ(consumed, bytes.size()) << what;
  EXPECT_EQ(decoded.index(), value.index()) << what;
  EXPECT_EQ(Hex(Encode(decoded)), Hex(bytes)) << what;
  EXPECT_FALSE(value < decoded || decoded < value) << what;
}

std::vector<EncodableValue> Scalars() {
  return {EncodableValue(),
          EncodableValue(true),
          EncodableValue(false),
          EncodableValue(std::numeric_limits<int32_t>::min()),
          EncodableValue(std::numeric_limits<int32_t>::max()),
          EncodableValue(int64_t{7}),  // stays 64-bit, though it fits 32
          EncodableValue(std::numeric_limits<int64_t>::min()),
          EncodableValue(-0.0),
          EncodableValue(std::numeric_limits<double>::infinity()),
          EncodableValue(std::numeric_limits<double>::denorm_min()),
          EncodableValue(std::string("\xff\x00\x01 text", 8)),
          EncodableValue(std::vector<uint8_t>{0, 255, 128}),
          EncodableValue(std::vector<int32_t>{std::numeric_limits<int32_t>::min(), 0, -1}),
          EncodableValue(std::vector<int64_t>{std::numeric_limits<int64_t>::max(), -2}),
          EncodableValue(std::vector<double>{1e-300, -2.5, 0.0}),
          EncodableValue(std::vector<float>{1.25f, -0.0f, 3e38f}),
          EncodableValue(std::vector<int32_t>{}),
          EncodableValue(std::vector<int64_t>{}),
          EncodableValue(std::vector<double>{}),
          EncodableValue(std::vector<float>{})};
}

TEST(RoundTrip, EveryStandardAlternativeAlone) {
  for (const EncodableValue& value : Scalars()) ExpectRoundTrip(value, Hex(Encode(value)));
}

TEST(RoundTrip, PaddedValuesAfterEveryOffsetInsideLists) {
  // A string of k bytes shifts what follows by k, so that each padded kind
  // meets every remainder modulo 8.
  for (size_t shift = 0; shift < 8; ++shift) {
    ValueList list{EncodableValue(std::string(shift, 's'))};
    for (const EncodableValue& value : Scalars()) {
      list.push_back(value);
      list.push_back(EncodableValue(std::string(shift, 't')));
    }
    ExpectRoundTrip(EncodableValue(std::move(list)), "shift " + std::to_string(shift));
  }
}

TEST(RoundTrip, NestedListsAndMapsWithKeysOfEveryKind) {
  ValueMap map;
  int counter = 0;
  for (const EncodableValue& key : Scalars()) map[key] = EncodableValue(ValueList{key, EncodableValue(counter++)});
  map[EncodableValue(ValueList{EncodableValue(1.5), EncodableValue(ValueMap{})})] = EncodableValue(ValueMap(map));
  map[EncodableValue(ValueMap{{EncodableValue("k"), EncodableValue(2.0)}})] = EncodableValue("map key");
  ASSERT_EQ(map.size(), Scalars().size() + 2);
  ExpectRoundTrip(EncodableValue(ValueList{EncodableValue(true), EncodableValue(std::move(map))}), "nested");

  EncodableValue deep("bottom");
  for (int level = 0; level < StandardCodecSerializer::kMaxNestingDepth; ++level) {
    deep = level % 2 ? EncodableValue(ValueList{EncodableValue(1.0), std::move(deep)})
                     : EncodableValue(ValueMap{{EncodableValue(level), std::move(deep)}});
  }
  ExpectRoundTrip(deep, "as deep as the reader allows");
}

TEST(RoundTrip, SizePrefixBoundaries) {
  for (size_t size : {253u, 254u, 65535u, 65536u}) {
    const std::string what = "size " + std::to_string(size);
    ExpectRoundTrip(EncodableValue(std::string(size, 'x')), what + " string");
    ExpectRoundTrip(EncodableValue(std::vector<uint8_t>(size, 0xAB)), what + " byte list");
    ExpectRoundTrip(EncodableValue(std::vector<int32_t>(size, -3)), what + " int32 list");
    ExpectRoundTrip(EncodableValue(std::vector<double>(size, 0.5)), what + " double list");
    ExpectRoundTrip(EncodableValue(ValueList(size, EncodableValue(true))), what + " list");
    ValueMap map;
    for (size_t i = 0; i < size; ++i)
      map.emplace_hint(map.end(), EncodableValue(static_cast<int32_t>(i)), EncodableValue());
    ExpectRoundTrip(EncodableValue(std::move(map)), what + " map");
  }
}

TEST(RoundTrip, NaNsKeepTheirBits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Bytes bytes = Encode(EncodableValue(ValueList{EncodableValue(-nan), EncodableValue(std::vector<float>{NAN})}));
  const EncodableValue decoded = Decode(bytes);
  EXPECT_EQ(Hex(Encode(decoded)), Hex(bytes));
  EXPECT_TRUE(std::isnan(decoded.Get<ValueList>()[0].Get<double>()));
}

TEST(ByteBufferWriter, PadsByTheLengthOfTheWholeArrayAndOnlyAppends) {
  Bytes bytes{0xAA, 0xBB, 0xCC};
  ByteBufferStreamWriter writer(&bytes);
  StandardCodecSerializer::Shared().WriteValue(EncodableValue(2.0), &writer);
  EXPECT_EQ(Hex(bytes), "AA BB CC 06 00 00 00 00 00 00 00 00 00 00 00 40");
}

TEST(ByteBufferWriter, GrowsGeometricallyWhenAppendingByteByByte) {
  Bytes bytes;
  ByteBufferStreamWriter writer(&bytes);
  int growths = 0;
  for (int i = 0; i < 1'000'000; ++i) {
    const size_t capacity = bytes.capacity();
    writer.PutByte(static_cast<uint8_t>(i));
    if (bytes.capacity() != capacity) ++growths;
  }
  EXPECT_LE(growths, 40);
  EXPECT_EQ(bytes.size(), 1'000'000u);
  EXPECT_EQ(bytes[999'999], static_cast<uint8_t>(999'999));
}

TEST(ByteBufferReader, FailedReadsKeepThePositionAndTheDestination) {
  const Bytes bytes{1, 2, 3};
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  uint8_t destination[4] = {9, 9, 9, 9};
  const auto lines = StderrLinesOf([&] {
    reader.GetBytes(destination, 4);
    EXPECT_EQ(reader.position(), 0u);
    EXPECT_EQ(reader.GetByte(), 1);
    reader.SkipPadding(8);  // unchecked: moves past the end
    EXPECT_EQ(reader.position(), 8u);
    EXPECT_EQ(reader.GetByte(), 0);
    reader.GetBytes(destination, 0);
    EXPECT_EQ(reader.position(), 8u);
  });
  EXPECT_EQ(destination[0], 9);
  EXPECT_EQ(lines, std::vector<std::string>(3, kInvalidRead));
}

}  // namespace
}  // namespace flutter::testing
