#include "hex.h"

#include <gtest/gtest.h>

namespace kestro::wire::testing {
namespace {

TEST(WireHex, WritesLowercaseAndReadsEitherCase) {
  EXPECT_EQ(FormatHex({0x00, 0xab, 0xff}), "00abff");
  TextError error;
  EXPECT_EQ(ParseHex("00ABff", &error), (std::vector<uint8_t>{0x00, 0xab, 0xff}));
  EXPECT_EQ(ParseHex("", &error), std::vector<uint8_t>());
}

TEST(WireHex, RefusesNonHexCharactersAndOddLengths) {
  TextError error;
  EXPECT_FALSE(ParseHex("00 01", &error));
  EXPECT_EQ(error.offset, 2u);
  EXPECT_FALSE(ParseHex("0x01", &error));
  EXPECT_EQ(error.offset, 1u);
  EXPECT_FALSE(ParseHex("012", &error));
  EXPECT_EQ(error.offset, 3u);
  EXPECT_NE(error.message.find("odd"), std::string::npos);
}

TEST(WireInputError, PutsACaretUnderTheOffendingCharacter) {
  EXPECT_EQ(DescribeTextError("value", "[1, 2 3]", {6, "expected ',' or ']'"}),
            "kestro-wire: invalid value at column 7: expected ',' or ']'\n"
            "  [1, 2 3]\n"
            "        ^\n");
  // Columns count characters, not bytes; only the offending line is shown.
  EXPECT_EQ(DescribeTextError("value", "[\"é\",\n x]", {8, "expected a value"}),
            "kestro-wire: invalid value at line 2, column 2: expected a value\n"
            "   x]\n"
            "   ^\n");
  EXPECT_EQ(DescribeTextError("value", "\"é", {3, "expected '\"'"}),
            "kestro-wire: invalid value at column 3: expected '\"'\n"
            "  \"é\n"
            "    ^\n");
}

}  // namespace
}  // namespace kestro::wire::testing
