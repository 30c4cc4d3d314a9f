// Pastes into a window that input cannot reach, and the detailed answer
// that says how a paste ended.
#include <string>
#include <vector>

#include "text_insertion_fixture.h"

namespace kestro::testing {
namespace {

constexpr std::uint32_t kLow = 0x1000;
constexpr std::uint32_t kMedium = 0x2000;
constexpr std::uint32_t kHigh = 0x3000;
constexpr std::uint32_t kSystem = 0x4000;

const ValueMap kDetailed = {{EncodableValue("detailed_result"), EncodableValue(true)}};

class PasteTargetTest : public TextInsertionTest {
 protected:
  void SetUp() override {
    TextInsertionTest::SetUp();
    windows_.foreground = kEditor;
    windows_.integrity_levels[windows_.own_process] = kMedium;
  }
  static std::vector<uint8_t> Detailed(bool pasted, const std::string& reason) {
    const EncodableValue answer(ValueMap{{EncodableValue("pasted"), EncodableValue(pasted)},
                                         {EncodableValue("reason"), EncodableValue(reason)}});
    return *Codec().EncodeSuccessReply(&answer);
  }
};

TEST_F(PasteTargetTest, OnlyATargetAtOrBelowOurLevelGetsCtrlV) {
  struct Case {
    const char* name;
    std::uint32_t level;  // 0: unreadable
    bool reached;
  };
  const Case cases[] = {{"low", kLow, true},
                        {"medium", kMedium, true},
                        {"high", kHigh, false},
                        {"system", kSystem, false},
                        {"unreadable", 0, false}};
  for (const Case& target : cases) {
    windows_.integrity_levels[kOtherProcess] = target.level;
    windows_.unreadable_integrity.clear();
    if (target.level == 0) windows_.unreadable_integrity.insert(kOtherProcess);
    windows_.sent_inputs.clear();
    windows_.minimised.clear();
    windows_.foreground = kEditor;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Paste("typed"), Answer(target.reached)) << target.name;
    const std::string lines = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(windows_.sent_inputs.size(), target.reached ? 1u : 0u) << target.name;
    EXPECT_EQ(lines.rfind("Warning: Text insertion: the target window", 0) == 0, !target.reached) << lines;
    EXPECT_EQ(windows_.clipboard_text, u"typed") << target.name << ": left to be pasted by hand";
    EXPECT_EQ(windows_.minimised.size(), 1u) << target.name;
    EXPECT_EQ(windows_.foreground, kEditor) << target.name << ": brought forward all the same";
  }
}

TEST_F(PasteTargetTest, AnElevatedTargetKeepsThePasteOnTheClipboardInsteadOfRestoring) {
  windows_.PutOnClipboard(13, Utf16Bytes(u"user's"));
  const ValueMap restore = {{EncodableValue("restore_clipboard"), EncodableValue(true)}};
  EXPECT_EQ(PasteWith(PasteArguments("first", restore)), Answer(true));
  windows_.integrity_levels[kOtherProcess] = kHigh;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteWith(PasteArguments("by hand", restore)), Answer(false));
  ::testing::internal::GetCapturedStderr();
  windows_.FireTimers();
  EXPECT_EQ(windows_.clipboard_text, u"by hand") << "the earlier run's restore is dropped as well";
}

TEST_F(PasteTargetTest, WithoutOurOwnLevelThereIsNothingToCompareAndThePasteGoes) {
  windows_.unreadable_integrity = {windows_.own_process};
  windows_.integrity_levels[kOtherProcess] = kSystem;
  EXPECT_EQ(Paste("x"), Answer(true));
}

TEST_F(PasteTargetTest, TheDetailedAnswerNamesHowThePasteEnded) {
  EXPECT_EQ(PasteWith(PasteArguments("x", kDetailed)), Detailed(true, "pasted"));
  EXPECT_EQ(PasteWith(PasteArguments("", kDetailed)), Detailed(false, "empty_text"));
  windows_.inputs_inserted_limit = 3;
  EXPECT_EQ(PasteWith(PasteArguments("x", kDetailed)), Detailed(false, "input_rejected"));
  windows_.failing = {"OpenClipboard"};
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteWith(PasteArguments("x", kDetailed)), Detailed(false, "clipboard_busy"));
  windows_.failing.clear();
  windows_.integrity_levels[kOtherProcess] = kHigh;
  EXPECT_EQ(PasteWith(PasteArguments("x", kDetailed)), Detailed(false, "target_elevated"));
  ::testing::internal::GetCapturedStderr();
  windows_.foreground = nullptr;
  EXPECT_EQ(PasteWith(PasteArguments("x", kDetailed)), Detailed(false, "no_target"));
  ValueMap not_a_bool = kDetailed;
  not_a_bool[EncodableValue("detailed_result")] = EncodableValue("true");
  EXPECT_EQ(PasteWith(PasteArguments("x", not_a_bool)), Answer(false)) << "only a bool true asks for the map";
}

}  // namespace
}  // namespace kestro::testing
