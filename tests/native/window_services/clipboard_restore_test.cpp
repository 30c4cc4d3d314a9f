// The user's clipboard coming back: runs of pastes, owners that render
// lazily, a clipboard that is busy for a moment, and the process's exit.
#include <string>
#include <vector>

#include "clipboard_restore.h"
#include "text_insertion_fixture.h"

namespace kestro::testing {
namespace {


const ValueMap kRestore = {{EncodableValue("restore_clipboard"), EncodableValue(true)}};

class ClipboardRestoreTest : public TextInsertionTest {
 protected:
  void SetUp() override {
    TextInsertionTest::SetUp();
    windows_.foreground = kEditor;
    windows_.PutOnClipboard(kText, Utf16Bytes(u"user's"));
  }
  std::vector<uint8_t> PasteRestoring(const std::string& text, ValueMap options = kRestore) {
    return PasteWith(PasteArguments(text, options));
  }
  std::string FireTimersReportingLines() {
    ::testing::internal::CaptureStderr();
    windows_.FireTimers();
    return ::testing::internal::GetCapturedStderr();
  }
};

TEST_F(ClipboardRestoreTest, ARunOfPastesEndsWithTheClipboardFromBeforeTheFirst) {
  ValueMap secret = kRestore;
  secret[EncodableValue("exclude_from_history")] = EncodableValue(true);
  EXPECT_EQ(PasteRestoring("one"), Answer(true));
  EXPECT_EQ(PasteRestoring("two", secret), Answer(true));
  EXPECT_EQ(PasteRestoring("three"), Answer(true));
  EXPECT_EQ(windows_.clipboard_text, u"three");
  ASSERT_EQ(windows_.timers.size(), 3u);
  EXPECT_EQ(FireTimersReportingLines(), "") << "the earlier timers were superseded without a word";
  EXPECT_EQ(windows_.clipboard_text, u"user's");
  EXPECT_EQ(windows_.ClipboardFormats(), std::vector<std::uint32_t>{kText}) << "no marker of the secret remains";

  // The next run starts from what the user has now.
  windows_.PutOnClipboard(kHtml, {'<', 'i', '>'});
  EXPECT_EQ(PasteRestoring("four"), Answer(true));
  windows_.FireTimers();
  EXPECT_EQ(windows_.ClipboardFormats(), std::vector<std::uint32_t>{kHtml});
}

TEST_F(ClipboardRestoreTest, AnotherProgramsCopyDuringARunIsWhatComesBack) {
  EXPECT_EQ(PasteRestoring("one"), Answer(true));
  windows_.PutOnClipboard(kText, Utf16Bytes(u"copied meanwhile"));
  EXPECT_EQ(PasteRestoring("two"), Answer(true));
  windows_.FireTimers();
  EXPECT_EQ(windows_.clipboard_text, u"copied meanwhile");
}

TEST_F(ClipboardRestoreTest, APasteWithoutRestoreInARunKeepsItsText) {
  EXPECT_EQ(PasteRestoring("one"), Answer(true));
  EXPECT_EQ(PasteRestoring("kept", {}), Answer(true));
  EXPECT_EQ(FireTimersReportingLines(), "");
  EXPECT_EQ(windows_.clipboard_text, u"kept");
}

TEST_F(ClipboardRestoreTest, ALazyOwnerIsGivenOneBudgetAndThePasteGoesAheadWithoutARestore) {
  // Two formats of 300 ms each: the first fits the budget, the second not.
  const std::uint32_t html = windows_.RegisterClipboardFormat("HTML Format");
  windows_.PutLazilyOnClipboard(kText, 300);
  windows_.PutLazilyOnClipboard(html, 300, false);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteRestoring("pasted"), Answer(true));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Warning: Text insertion: the clipboard's owner did not render format 49152 (HTML Format) within 500 ms, "
            "so the clipboard will not be restored after this paste\n");
  EXPECT_LE(windows_.now_ms, 500u + 80u) << "the save waited past its budget";
  EXPECT_EQ(windows_.clipboard_text, u"pasted");
  EXPECT_TRUE(windows_.timers.empty());
  EXPECT_FALSE(windows_.clipboard_open);

  // An owner that never answers is asked once, never read.
  windows_.PutLazilyOnClipboard(kText, UINT32_MAX);
  windows_.calls.clear();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteRestoring("again"), Answer(true));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("format 13 within 500 ms"), std::string::npos);
  for (const std::string& call : windows_.calls) EXPECT_NE(call, "GetClipboardData 13");
}

TEST_F(ClipboardRestoreTest, AfterAGivenUpSaveTheRunNeverBringsBackItsOwnEarlierPaste) {
  ValueMap secret = kRestore;
  secret[EncodableValue("exclude_from_history")] = EncodableValue(true);
  windows_.PutLazilyOnClipboard(kText, UINT32_MAX);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteRestoring("secret", secret), Answer(true));
  EXPECT_EQ(PasteRestoring("two"), Answer(true));
  const std::string lines = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(lines.find("held an earlier paste"), std::string::npos) << lines;
  EXPECT_EQ(FireTimersReportingLines(), "");
  EXPECT_EQ(windows_.clipboard_text, u"two") << "the secret came back";

  // Another program's copy starts a run that restores again.
  windows_.PutOnClipboard(kText, Utf16Bytes(u"copied"));
  EXPECT_EQ(PasteRestoring("three"), Answer(true));
  windows_.FireTimers();
  EXPECT_EQ(windows_.clipboard_text, u"copied");
}

TEST_F(ClipboardRestoreTest, RunningOutOfMemoryWhileSavingClosesTheClipboardAndStillPastes) {
  windows_.out_of_memory = true;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteRestoring("pasted"), Answer(true));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Warning: Text insertion: out of memory while saving the clipboard, so it will not be restored after this "
            "paste\n");
  EXPECT_FALSE(windows_.clipboard_open);
  EXPECT_EQ(windows_.clipboard_text, u"pasted");
  EXPECT_TRUE(windows_.timers.empty());
}

TEST_F(ClipboardRestoreTest, ABusyClipboardIsTriedFiveTimesOverAHundredAndFiftyMilliseconds) {
  windows_.clipboard_busy_for = 4;
  EXPECT_EQ(PasteRestoring("pasted"), Answer(true));
  EXPECT_EQ(windows_.sleeps, (std::vector<std::uint32_t>{10, 20, 40, 80, 80}));

  windows_.clipboard_busy_for = 4;
  windows_.sleeps.clear();
  EXPECT_EQ(FireTimersReportingLines(), "") << "the restore retries as well";
  EXPECT_EQ(windows_.clipboard_text, u"user's");
  EXPECT_EQ(windows_.sleeps, (std::vector<std::uint32_t>{10, 20, 40, 80}));

  windows_.clipboard_busy_for = 5;
  windows_.minimised.clear();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PasteRestoring("pasted"), Answer(false));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: OpenClipboard failed: 0x00000005\n");
  EXPECT_TRUE(windows_.minimised.empty());
}

TEST_F(ClipboardRestoreTest, ARestoreThatFindsTheClipboardBusyForGoodSaysSoOnce) {
  EXPECT_EQ(PasteRestoring("pasted"), Answer(true));
  windows_.clipboard_busy_for = 5;
  EXPECT_EQ(FireTimersReportingLines(),
            "Error: OpenClipboard failed: 0x00000005\n"
            "Warning: Text insertion: the clipboard's earlier contents could not be put back in full\n");
  EXPECT_EQ(windows_.clipboard_text, u"pasted");
}

TEST_F(ClipboardRestoreTest, APasteWithoutRestoreStillOpensTheClipboardOnce) {
  windows_.clipboard_busy_for = 1;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Paste("x"), Answer(false));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: OpenClipboard failed: 0x00000005\n");
  EXPECT_TRUE(windows_.sleeps.empty());
}

TEST_F(ClipboardRestoreTest, ExitCarriesOutAPendingRestoreUnlessTheClipboardChanged) {
  EXPECT_EQ(PasteRestoring("secret"), Answer(true));
  FinishPendingClipboardRestore();
  EXPECT_EQ(windows_.clipboard_text, u"user's");
  EXPECT_EQ(windows_.clipboard_owner, windows_.clipboard_window);
  EXPECT_EQ(FireTimersReportingLines(), "") << "the timer finds nothing left to do";
  EXPECT_EQ(windows_.clipboard_text, u"user's");

  EXPECT_EQ(PasteRestoring("secret"), Answer(true));
  windows_.PutOnClipboard(kText, Utf16Bytes(u"copied meanwhile"));
  ::testing::internal::CaptureStderr();
  FinishPendingClipboardRestore();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(windows_.clipboard_text, u"copied meanwhile");

  windows_.calls.clear();
  FinishPendingClipboardRestore();
  EXPECT_TRUE(windows_.calls.empty()) << "nothing pending, nothing done";
}

}  // namespace
}  // namespace kestro::testing
