#include <limits>

#include "float_bits.h"
#include "wire_test_support.h"

namespace kestro::wire::testing {
namespace {

using flutter::EncodableValue;

TEST(ValueTextFormat, WritesEveryAlternative) {
  flutter::ValueMap map;
  map[EncodableValue("list")] = flutter::ValueList{EncodableValue(), EncodableValue(true), EncodableValue(false)};
  map[EncodableValue(int32_t{-7})] = EncodableValue(int64_t{42});
  map[EncodableValue(int64_t{-7})] = EncodableValue(1.5);
  map[EncodableValue(std::vector<uint8_t>{1, 255})] = EncodableValue(std::vector<int32_t>{-1});
  map[EncodableValue(std::vector<int64_t>{})] = EncodableValue(std::vector<double>{2.0, -0.25});
  map[EncodableValue(std::vector<float>{0.1f})] = EncodableValue(flutter::ValueMap{});
  EXPECT_EQ(FormatValueText(EncodableValue(map)),
            "{-7: 42L, -7L: 1.5, \"list\": [null, true, false], u8[1, 255]: i32[-1], "
            "i64[]: f64[2.0, -0.25], f32[0.1]: {}}");
}

TEST(ValueTextFormat, WritesDoublesInShortestFormThatReadsBackAsADouble) {
  const auto text = [](double value) { return FormatValueText(EncodableValue(value)); };
  EXPECT_EQ(text(1.0), "1.0");
  EXPECT_EQ(text(0.1), "0.1");
  EXPECT_EQ(text(123456789.0), "123456789.0");
  EXPECT_EQ(text(1e300), "1e300");
  EXPECT_EQ(text(1e-7), "1e-7");
  EXPECT_EQ(text(-0.0), "-0.0");
  EXPECT_EQ(text(std::numeric_limits<double>::denorm_min()), "5e-324");
  EXPECT_EQ(text(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(text(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(text(FromBits<double>(0x7ff8000000000000)), "nan");
  EXPECT_EQ(text(FromBits<double>(0xfff8000000000000)), "-nan");
  EXPECT_EQ(text(FromBits<double>(0x7ff4000000000000)), "nan(0x7ff4000000000000)");
  // Floats print in the shortest form for a float, not for a double.
  EXPECT_EQ(FormatValueText(EncodableValue(std::vector<float>{0.1f, -0.0f, 3e38f, FromBits<float>(0xffc00000)})),
            "f32[0.1, -0.0, 3e38, -nan]");
}

TEST(ValueTextFormat, EscapesWhatIsNotPlainText) {
  EXPECT_EQ(FormatStringText("a\"b\\c\nd\te"), R"("a\"b\\c\nd\te")");
  EXPECT_EQ(FormatStringText(std::string("\0\x1f\x7f\xc2\x85", 5)), R"("\u0000\u001f\u007f\u0085")");
  // Well-formed UTF-8 stays as it is.
  EXPECT_EQ(FormatStringText("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"");
  // Bytes that are not well-formed UTF-8 print one by one: stray, cut short,
  // overlong, a surrogate, past U+10FFFF.
  EXPECT_EQ(FormatStringText("\xff"), R"("\xff")");
  EXPECT_EQ(FormatStringText("\xe2\x82x"), R"("\xe2\x82x")");
  EXPECT_EQ(FormatStringText("\xc0\xaf"), R"("\xc0\xaf")");
  EXPECT_EQ(FormatStringText("\xed\xa0\x80"), R"("\xed\xa0\x80")");
  EXPECT_EQ(FormatStringText("\xf4\x90\x80\x80"), R"("\xf4\x90\x80\x80")");
}

}  // namespace
}  // namespace kestro::wire::testing
