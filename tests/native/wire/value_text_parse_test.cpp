#include <cmath>
#include <limits>
#include <string>

#include "float_bits.h"
#include "wire_test_support.h"

namespace kestro::wire::testing {
namespace {

using flutter::EncodableValue;

TEST(ValueTextParse, ReadsScalarsAsTheirAlternatives) {
  EXPECT_EQ(Parse("null").index(), EncodableValue::kNull);
  EXPECT_EQ(Parse("true").Get<bool>(), true);
  EXPECT_EQ(Parse(" false ").Get<bool>(), false);
  EXPECT_EQ(Parse("42").Get<int32_t>(), 42);
  EXPECT_EQ(Parse("-2147483648").Get<int32_t>(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(Parse("42L").Get<int64_t>(), 42);
  EXPECT_EQ(Parse("-9223372036854775808L").Get<int64_t>(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(Parse("1.5").Get<double>(), 1.5);
  EXPECT_EQ(Parse("1e300").Get<double>(), 1e300);
  EXPECT_EQ(Parse("2E-3").Get<double>(), 2e-3);
  EXPECT_EQ(Parse("\"text\"").Get<std::string>(), "text");
}

TEST(ValueTextParse, ReadsSpecialDoublesBitForBit) {
  EXPECT_EQ(BitsOf(Parse("-0.0").Get<double>()), 0x8000000000000000u);
  EXPECT_EQ(BitsOf(Parse("nan").Get<double>()), 0x7ff8000000000000u);
  EXPECT_EQ(BitsOf(Parse("-nan").Get<double>()), 0xfff8000000000000u);
  EXPECT_EQ(BitsOf(Parse("nan(0x7ff0000000000001)").Get<double>()), 0x7ff0000000000001u);
  EXPECT_EQ(Parse("inf").Get<double>(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Parse("-inf").Get<double>(), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(Parse("5e-324").Get<double>(), std::numeric_limits<double>::denorm_min());
  // Below the smallest subnormal, nearest rounding gives zero.
  EXPECT_EQ(BitsOf(Parse("-1e-400").Get<double>()), 0x8000000000000000u);
}

TEST(ValueTextParse, ReadsStringEscapesAndRawBytes) {
  EXPECT_EQ(Parse(R"("q\" b\\ n\n t\t")").Get<std::string>(), "q\" b\\ n\n t\t");
  EXPECT_EQ(Parse(R"("\u00e9\u20ac")").Get<std::string>(), "\xc3\xa9\xe2\x82\xac");
  EXPECT_EQ(Parse(R"("\ud83d\ude00")").Get<std::string>(), "\xf0\x9f\x98\x80");
  EXPECT_EQ(Parse(R"("\xff\x00\u0000")").Get<std::string>(), std::string("\xff\0\0", 3));
  EXPECT_EQ(Parse("\"é\"").Get<std::string>(), "\xc3\xa9");
}

TEST(ValueTextParse, ReadsTypedLists) {
  EXPECT_EQ(Parse("u8[0, 1, 255]").Get<std::vector<uint8_t>>(), (std::vector<uint8_t>{0, 1, 255}));
  EXPECT_EQ(Parse("i32[-2147483648, 2147483647]").Get<std::vector<int32_t>>(),
            (std::vector<int32_t>{INT32_MIN, INT32_MAX}));
  EXPECT_EQ(Parse("i64[9223372036854775807]").Get<std::vector<int64_t>>(), (std::vector<int64_t>{INT64_MAX}));
  EXPECT_EQ(Parse("f64[1, -0.5, inf]").Get<std::vector<double>>(),
            (std::vector<double>{1.0, -0.5, std::numeric_limits<double>::infinity()}));
  // Float elements round to the nearest float straight from the decimal.
  EXPECT_EQ(Parse("f32[0.1, 16777217]").Get<std::vector<float>>(), (std::vector<float>{0.1f, 16777216.0f}));
  EXPECT_EQ(BitsOf(Parse("f32[nan(0x7fc00001)]").Get<std::vector<float>>()[0]), 0x7fc00001u);
  EXPECT_TRUE(Parse("f32[ ]").Get<std::vector<float>>().empty());
  EXPECT_TRUE(Parse("u8[]").Get<std::vector<uint8_t>>().empty());
}

TEST(ValueTextParse, ReadsNestedListsAndMapsAcrossBlanks) {
  const EncodableValue value = Parse("{\n  \"a\": [1, [2L, null]],\n\t1: {}, 1L: 2, \"1\": 3\n}");
  const auto& map = value.Get<flutter::ValueMap>();
  ASSERT_EQ(map.size(), 4u);  // 32-bit 1, 64-bit 1 and "1" are three keys
  EXPECT_EQ(MessageHex(map.at(EncodableValue("a"))), MessageHex(Parse("[1, [2L, null]]")));
  EXPECT_EQ(map.at(EncodableValue(int64_t{1})).Get<int32_t>(), 2);
}

struct Refusal {
  const char* text;
  size_t offset;
  const char* message_part;
};

void ExpectRefusals(std::initializer_list<Refusal> refusals) {
  for (const Refusal& refusal : refusals) {
    const TextError error = ParseFailure(refusal.text);
    EXPECT_EQ(error.offset, refusal.offset) << refusal.text << ": " << error.message;
    EXPECT_NE(error.message.find(refusal.message_part), std::string::npos) << refusal.text << ": " << error.message;
  }
}

TEST(ValueTextParse, RefusesNumbersOutOfRangeInsteadOfChangingThem) {
  ExpectRefusals({
      {"2147483648", 0, "write 2147483648L"},
      {"[1, -2147483649]", 4, "32-bit range"},
      {"9223372036854775808L", 0, "64-bit range"},
      {"99999999999999999999999L", 0, "64-bit range"},
      {"u8[1, 256]", 6, "0 to 255"},
      {"u8[-1]", 3, "0 to 255"},
      {"i32[2147483648]", 4, "32-bit range"},
      {"1e309", 0, "range of a double"},
      {"f32[1e39]", 4, "range of a float"},
      {"nan(0x7ff0000000000000)", 0, "NaN"},
      {"f32[nan(0x7ff8000000000000)]", 4, "NaN"},
  });
}

TEST(ValueTextParse, PointsAtTheOffendingCharacter) {
  ExpectRefusals({
      {"", 0, "expected a value"},
      {"[1, 2", 5, "expected ',' or ']'"},
      {"[1,]", 3, "expected a value"},
      {"{1 2}", 3, "expected ':'"},
      {"{\"a\": 1, \"a\": 2}", 9, "duplicate key"},
      {"{1.0: 1, nan: 2}", 9, "the key is a NaN, equivalent to every double key"},
      {"{-nan: 1, 2.5: 2}", 10, "an earlier key is a NaN, equivalent to every double key"},
      {"\"abc", 4, "to end the string"},
      {"\"\\q\"", 1, "unknown escape"},
      {"\"\\u12\"", 5, "4 hex digits"},
      {"\"\\xg0\"", 3, "2 hex digits"},
      {"\"\\ud800x\"", 7, "low surrogate"},
      {"\"\\udc00\"", 1, "low surrogate"},
      {"tru", 0, "unknown word 'tru'"},
      {"1.", 2, "after '.'"},
      {"1.5L", 3, "L marks"},
      {"1e", 2, "exponent"},
      {"42 43", 3, "end of the value"},
      {"u8 [1]", 2, "expected '['"},
      {"i32[1L]", 5, "drop the L"},
      {"u8[1.5]", 3, "expected an integer"},
      {"-x", 1, "expected a number"},
  });
}

// A value sits inside at most as many lists and maps as a message can carry;
// an empty list or map one level further holds no value, and a decoder can
// produce one (where it refused a deeper container).
TEST(ValueTextParse, RefusesNestingDeeperThanAMessageCanCarry) {
  const size_t limit = flutter::StandardCodecSerializer::kMaxNestingDepth;
  Parse(std::string(limit, '[') + "1" + std::string(limit, ']'));
  Parse(std::string(limit, '[') + "{}" + std::string(limit, ']'));
  EXPECT_EQ(ParseFailure(std::string(limit + 1, '[') + "1" + std::string(limit + 1, ']')).offset, limit + 1);
  // Far deeper input is refused the same way, without running out of stack.
  EXPECT_EQ(ParseFailure(std::string(100000, '[')).offset, limit + 1);
}

}  // namespace
}  // namespace kestro::wire::testing
