#include "command_line_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro::testing {
namespace {

using Arguments = std::vector<std::string>;

TEST(WideToUtf8, ConvertsValidTextToItsUtf8Bytes) {
  EXPECT_EQ(WideToUtf8(L"kestro --flag"), "kestro --flag");
  EXPECT_EQ(WideToUtf8(L"gr\u00fc\u00dfe"),
            "gr\xc3\xbc\xc3\x9f"
            "e");
  EXPECT_EQ(WideToUtf8(L"\u65e5\u672c"), "\xe6\x97\xa5\xe6\x9c\xac");
  // A surrogate pair is one code point of four bytes.
  const wchar_t astral[] = {0xD83D, 0xDE00, 0};
  EXPECT_EQ(WideToUtf8(astral), "\xf0\x9f\x98\x80");
}

TEST(WideToUtf8, GivesEmptyTextForNullEmptyAndInvalidInput) {
  EXPECT_EQ(WideToUtf8(nullptr), "");
  EXPECT_EQ(WideToUtf8(L""), "");
  const wchar_t lone_high[] = {L'a', 0xD800, L'b', 0};
  const wchar_t lone_low[] = {0xDC00, 0};
  const wchar_t high_at_end[] = {L'a', 0xDBFF, 0};
  EXPECT_EQ(WideToUtf8(lone_high), "");
  EXPECT_EQ(WideToUtf8(lone_low), "");
  EXPECT_EQ(WideToUtf8(high_at_end), "");
}

TEST(ArgumentsFromCommandLine, SkipsTheProgramPathAndKeepsOrder) {
  EXPECT_EQ(ArgumentsFromCommandLine(L"C:\\kestro\\kestro.exe"), Arguments{});
  EXPECT_EQ(ArgumentsFromCommandLine(L"\"C:\\Program Files\\kestro.exe\" one \"two words\" three"),
            (Arguments{"one", "two words", "three"}));
}

TEST(ArgumentsFromCommandLine, KeepsEveryArgumentInItsPosition) {
  EXPECT_EQ(ArgumentsFromCommandLine(L"kestro.exe \"\" after"), (Arguments{"", "after"}));
  // An argument that is not valid UTF-16 becomes empty, not dropped.
  const wchar_t broken[] = {L'k', L'.', L'e', L'x', L'e', L' ', L'a', L' ', 0xD800, L'x', L' ', L'b', 0};
  EXPECT_EQ(ArgumentsFromCommandLine(broken), (Arguments{"a", "", "b"}));
  EXPECT_EQ(ArgumentsFromCommandLine(L"kestro.exe \u00e9t\u00e9 \u65e5"),
            (Arguments{"\xc3\xa9t\xc3\xa9", "\xe6\x97\xa5"}));
}

// Started by ctest with a filter for this test and then "", "grüße" and
// "two words" (see CMakeLists.txt), through Wine as a user's command line.
TEST(CollectArguments, ReadsThisProcessCommandLine) {
  EXPECT_EQ(CollectArguments(), (Arguments{"--gtest_filter=CollectArguments.*", "",
                                           "gr\xc3\xbc\xc3\x9f"
                                           "e",
                                           "two words"}));
}

}  // namespace
}  // namespace kestro::testing
