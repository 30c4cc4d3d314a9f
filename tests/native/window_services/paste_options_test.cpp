// The optional keys of "paste_text": exclusion from clipboard history, the
// earlier clipboard put back, modifiers released before Ctrl+V.
#include <string>
#include <vector>

#include "text_insertion_fixture.h"

namespace kestro::testing {
namespace {

const char* const kHistoryFormats[] = {"ExcludeClipboardContentFromMonitorProcessing", "CanIncludeInClipboardHistory",
                                       "CanUploadToCloudClipboard"};

class PasteOptionsTest : public TextInsertionTest {
 protected:
  void SetUp() override {
    TextInsertionTest::SetUp();
    windows_.foreground = kEditor;
  }
  std::vector<uint8_t> PasteWithOptions(const std::string& text, const ValueMap& options) {
    return PasteWith(PasteArguments(text, options));
  }
  // Another program's clipboard: text, HTML, a DIB, and two formats whose
  // data are GDI handles.
  void ClipboardOfAnotherProgram() {
    windows_.PutOnClipboard(kText, Utf16Bytes(u"before"));
    windows_.PutOnClipboard(kHtml, {'<', 'b', '>'}, false);
    windows_.PutOnClipboard(kBitmap, {1, 2}, false);
    windows_.PutOnClipboard(kDib, {40, 0, 0, 0, 7}, false);
    windows_.PutOnClipboard(kEnhancedMetafile, {3}, false);
  }
};

TEST_F(PasteOptionsTest, AbsentOrNonBoolKeysKeepTodaysExactCallSequence) {
  ClipboardOfAnotherProgram();
  windows_.keys_down = {0xA0};
  const ValueMap ignored[] = {
      {},
      {{EncodableValue("exclude_from_history"), EncodableValue(1)},
       {EncodableValue("restore_clipboard"), EncodableValue("true")},
       {EncodableValue("release_modifiers"), EncodableValue()},
       {EncodableValue("restore_delay_ms"), EncodableValue(100)}},
      {{EncodableValue("exclude_from_history"), EncodableValue(false)},
       {EncodableValue("restore_clipboard"), EncodableValue(false)},
       {EncodableValue("release_modifiers"), EncodableValue(false)}},
  };
  for (const ValueMap& options : ignored) {
    windows_.calls.clear();
    EXPECT_EQ(PasteWithOptions("hello", options), Answer(true));
    EXPECT_EQ(windows_.calls, kPlainPasteCalls) << options.size() << " keys";
    EXPECT_EQ(windows_.ClipboardFormats(), std::vector<std::uint32_t>{kText});
    EXPECT_TRUE(windows_.timers.empty());
    EXPECT_EQ(windows_.sent_inputs.back().inputs.size(), 4u);
  }
}

TEST_F(PasteOptionsTest, ExcludeFromHistoryAddsTheThreeFormatsEachHoldingAThirtyTwoBitZero) {
  EXPECT_EQ(PasteWithOptions("secret", {{EncodableValue("exclude_from_history"), EncodableValue(true)}}), Answer(true));
  std::vector<std::uint32_t> expected;
  for (const char* name : kHistoryFormats) {
    const std::uint32_t format = windows_.RegisteredFormat(name);
    ASSERT_NE(format, 0u) << name;
    EXPECT_EQ(windows_.ClipboardBytes(format), (std::vector<unsigned char>{0, 0, 0, 0})) << name;
    expected.push_back(format);
  }
  expected.push_back(kText);
  EXPECT_EQ(windows_.ClipboardFormats(), expected) << "the text goes last, after every marker";
  EXPECT_EQ(windows_.clipboard_text, u"secret");
  EXPECT_EQ(windows_.LeakedBlocks(), 0u);
}

TEST_F(PasteOptionsTest, AFailedExclusionStepAnswersFalseAndLeavesNoTextBehind) {
  const ValueMap exclude = {{EncodableValue("exclude_from_history"), EncodableValue(true)}};
  for (const char* step : {"RegisterClipboardFormat", "GlobalAlloc", "GlobalLock", "SetClipboardData"}) {
    windows_.failing = {step};
    EXPECT_EQ(PasteWithOptions("secret", exclude), Answer(false)) << step;
    EXPECT_EQ(windows_.clipboard_text, u"") << step;
  }
  ExpectNoPasteSteps();
}

TEST_F(PasteOptionsTest, RestorePutsBackEveryMemoryBlockFormatAfterTheDelayAndAfterTheAnswer) {
  ClipboardOfAnotherProgram();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteWithOptions("pasted", {{EncodableValue("restore_clipboard"), EncodableValue(true)}}), Answer(true));
  const std::string lines = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(
      lines,
      "Text insertion: the clipboard will be restored without 2 format(s) that cannot be copied as memory blocks: "
      "2 (CF_BITMAP), 14 (CF_ENHMETAFILE)\n");

  EXPECT_EQ(windows_.clipboard_text, u"pasted") << "answered with the paste still on the clipboard";
  ASSERT_EQ(windows_.timers.size(), 1u);
  EXPECT_EQ(windows_.timers[0].first, 400u);
  EXPECT_TRUE(windows_.sleeps == std::vector<std::uint32_t>{80}) << "the delay never blocks the thread";

  windows_.FireTimers();
  EXPECT_EQ(windows_.ClipboardFormats(), (std::vector<std::uint32_t>{kText, kHtml, kDib}));
  EXPECT_EQ(windows_.clipboard_text, u"before");
  EXPECT_EQ(windows_.ClipboardBytes(kHtml), (std::vector<unsigned char>{'<', 'b', '>'}));
  EXPECT_EQ(windows_.ClipboardBytes(kDib), (std::vector<unsigned char>{40, 0, 0, 0, 7}));
  EXPECT_EQ(windows_.clipboard_owner, windows_.clipboard_window) << "owned by the process, not the pasting window";
  EXPECT_FALSE(windows_.clipboard_open);
  EXPECT_EQ(windows_.LeakedBlocks(), 0u);
}

TEST_F(PasteOptionsTest, RestoreOfAnEmptyClipboardEmptiesIt) {
  EXPECT_EQ(PasteWithOptions("pasted", {{EncodableValue("restore_clipboard"), EncodableValue(true)}}), Answer(true));
  windows_.FireTimers();
  EXPECT_TRUE(windows_.ClipboardFormats().empty());
}

TEST_F(PasteOptionsTest, NoRestoreWhenTheClipboardChangedAfterThePaste) {
  ClipboardOfAnotherProgram();
  EXPECT_EQ(PasteWithOptions("pasted", {{EncodableValue("restore_clipboard"), EncodableValue(true)}}), Answer(true));
  windows_.PutOnClipboard(kText, Utf16Bytes(u"copied meanwhile"));
  windows_.calls.clear();
  ::testing::internal::CaptureStderr();
  windows_.FireTimers();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Text insertion: the clipboard changed after the paste, so its earlier contents are not put back\n");
  EXPECT_EQ(windows_.clipboard_text, u"copied meanwhile");
  EXPECT_EQ(windows_.calls, std::vector<std::string>{"GetClipboardSequenceNumber"}) << "the clipboard is not opened";
}

TEST_F(PasteOptionsTest, TheRestoreDelayIsAThirtyTwoBitIntegerClampedToFiftyToFiveThousand) {
  const std::pair<EncodableValue, std::uint32_t> delays[] = {
      {EncodableValue(), 400},       {EncodableValue(10), 50},
      {EncodableValue(-5), 50},      {EncodableValue(50), 50},
      {EncodableValue(1234), 1234},  {EncodableValue(5000), 5000},
      {EncodableValue(99999), 5000}, {EncodableValue(int64_t{700}), 400},
      {EncodableValue("700"), 400},  {EncodableValue(700.0), 400}};
  for (const auto& [delay, expected] : delays) {
    windows_.timers.clear();
    ValueMap options = {{EncodableValue("restore_clipboard"), EncodableValue(true)}};
    if (!delay.IsNull()) options[EncodableValue("restore_delay_ms")] = delay;
    PasteWithOptions("x", options);
    ASSERT_EQ(windows_.timers.size(), 1u);
    EXPECT_EQ(windows_.timers[0].first, expected) << "kind " << delay.index();
  }
}

TEST_F(PasteOptionsTest, ReleaseModifiersSendsTheKeyUpsOfHeldModifiersFirstInTheSameInputCall) {
  windows_.keys_down = {0xA0, 0xA5, 0x5C};  // left Shift, right Alt, right Windows key
  const ValueMap release = {{EncodableValue("release_modifiers"), EncodableValue(true)}};
  EXPECT_EQ(PasteWithOptions("x", release), Answer(true));
  ASSERT_EQ(windows_.sent_inputs.size(), 1u);
  const std::vector<KeyboardInput>& inputs = windows_.sent_inputs[0].inputs;
  const std::vector<std::pair<std::uint16_t, std::uint32_t>> expected = {{0xA0, 2}, {0xA5, 3}, {0x5C, 3}, {0x11, 0},
                                                                         {0x56, 0}, {0x56, 2}, {0x11, 2}};
  ASSERT_EQ(inputs.size(), expected.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    EXPECT_EQ(inputs[i].type, 1u) << i;
    EXPECT_EQ(inputs[i].virtual_key, expected[i].first) << i;
    EXPECT_EQ(inputs[i].flags, expected[i].second) << i;
  }

  windows_.inputs_inserted_limit = 6;
  EXPECT_EQ(PasteWithOptions("x", release), Answer(false)) << "every event counts";

  windows_.keys_down.clear();
  windows_.inputs_inserted_limit = UINT32_MAX;
  EXPECT_EQ(PasteWithOptions("x", release), Answer(true));
  EXPECT_EQ(windows_.sent_inputs.back().inputs.size(), 4u) << "nothing held, nothing released";
}

}  // namespace
}  // namespace kestro::testing
