#include "text_insertion_channel.h"

#include <string>

#include "text_insertion_fixture.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;

TEST_F(TextInsertionTest, ArgumentsWithoutANonEmptyTextStringAnswerFalseAndDoNothing) {
  windows_.foreground = kEditor;
  const EncodableValue unusable[] = {
      TextArguments(EncodableValue("")),
      TextArguments(EncodableValue(42)),
      EncodableValue(ValueMap{{EncodableValue("txt"), EncodableValue("hello")}}),
      EncodableValue(),
      EncodableValue(flutter::ValueList{EncodableValue("text"), EncodableValue("hello")}),
      EncodableValue("hello"),
  };
  for (const EncodableValue& arguments : unusable) {
    windows_.calls.clear();
    EXPECT_EQ(PasteWith(arguments), Answer(false)) << "arguments of kind " << arguments.index();
    EXPECT_TRUE(windows_.calls.empty()) << "arguments of kind " << arguments.index();
  }
  EXPECT_EQ(CallWithoutArguments(kTextInsertion, "paste_text"), Answer(false));
  EXPECT_TRUE(windows_.calls.empty());
}

TEST_F(TextInsertionTest, OtherMethodsAreNotImplemented) {
  EXPECT_EQ(Call(kTextInsertion, "paste", TextArguments(EncodableValue("x"))), NotImplemented());
  EXPECT_EQ(Call(kTextInsertion, "Paste_text", TextArguments(EncodableValue("x"))), NotImplemented());
  ExpectNoPasteSteps();
}

TEST_F(TextInsertionTest, APasteWritesTheClipboardMinimisesFocusesWaitsAndPressesCtrlV) {
  windows_.foreground = kEditor;
  windows_.calls.clear();
  EXPECT_EQ(Paste("hello"), Answer(true));
  EXPECT_EQ(windows_.clipboard_text, u"hello");
  EXPECT_EQ(windows_.clipboard_owner, own_window_);
  EXPECT_EQ(windows_.minimised, std::vector<HWND>{own_window_});
  EXPECT_EQ(windows_.foreground, kEditor);
  EXPECT_EQ(windows_.LeakedBlocks(), 0u);
  EXPECT_EQ(windows_.calls, kPlainPasteCalls);
}

TEST_F(TextInsertionTest, PressesCtrlVAsFourKeyEventsOfFortyByteRecords) {
  windows_.foreground = kEditor;
  Paste("x");
  ASSERT_EQ(windows_.sent_inputs.size(), 1u);
  const RecordedInput& sent = windows_.sent_inputs[0];
  EXPECT_EQ(sent.record_size, 40);
  ASSERT_EQ(sent.inputs.size(), 4u);
  const std::uint16_t keys[] = {0x11, 0x56, 0x56, 0x11};
  const std::uint32_t flags[] = {0, 0, 2, 2};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sent.inputs[i].type, 1u) << i;
    EXPECT_EQ(sent.inputs[i].virtual_key, keys[i]) << i;
    EXPECT_EQ(sent.inputs[i].flags, flags[i]) << i;
    EXPECT_EQ(sent.inputs[i].scan_code, 0u) << i;
    EXPECT_EQ(sent.inputs[i].time, 0u) << i;
    EXPECT_EQ(sent.inputs[i].extra_info, 0u) << i;
  }
}

TEST_F(TextInsertionTest, AnswersFalseWhenNotAllFourKeyEventsWereInserted) {
  windows_.foreground = kEditor;
  windows_.inputs_inserted_limit = 3;
  EXPECT_EQ(Paste("x"), Answer(false));
  windows_.inputs_inserted_limit = 0;
  EXPECT_EQ(Paste("x"), Answer(false));
  EXPECT_EQ(windows_.clipboard_text, u"x") << "the text stays on the clipboard";
}

TEST_F(TextInsertionTest, AnotherApplicationInFrontIsTheTargetWhateverWasLastSeen) {
  windows_.BringToFront(kBrowser);
  windows_.foreground = kEditor;  // came to the front unseen by the hook
  EXPECT_EQ(Paste("x"), Answer(true));
  EXPECT_EQ(windows_.foreground, kEditor);
}

TEST_F(TextInsertionTest, WithThisApplicationInFrontTheLastExternalWindowIsTheTarget) {
  windows_.BringToFront(kBrowser);
  windows_.BringToFront(own_window_);
  EXPECT_EQ(ProcessForegroundTracking().last_external_window, kBrowser) << "own windows are not remembered";
  EXPECT_EQ(Paste("x"), Answer(true));
  EXPECT_EQ(windows_.foreground, kBrowser);
}

TEST_F(TextInsertionTest, WithoutAnExistingExternalWindowThisApplicationsForegroundWindowIsTheTarget) {
  windows_.foreground = own_window_;
  EXPECT_EQ(Paste("never seen one"), Answer(true));
  EXPECT_EQ(windows_.foreground, own_window_);

  windows_.BringToFront(kBrowser);
  windows_.BringToFront(own_window_);
  windows_.window_processes.erase(kBrowser);  // closed since
  EXPECT_EQ(Paste("closed"), Answer(true));
  EXPECT_EQ(windows_.foreground, own_window_);
  EXPECT_EQ(windows_.clipboard_text, u"closed");
}

TEST_F(TextInsertionTest, NoUsableTargetAnswersFalseAndDoesNothing) {
  windows_.foreground = nullptr;
  EXPECT_EQ(Paste("x"), Answer(false)) << "nothing in front, nothing seen";
  windows_.foreground = FakeWindow(0xDEAD);  // gone, its process unknown
  EXPECT_EQ(Paste("x"), Answer(false));
  ExpectNoPasteSteps();
}

TEST_F(TextInsertionTest, AFailedClipboardStepAnswersFalseAndLeavesNothingBehind) {
  windows_.foreground = kEditor;
  for (const char* step : {"OpenClipboard", "EmptyClipboard", "GlobalAlloc", "GlobalLock", "SetClipboardData"}) {
    windows_.failing = {step};
    EXPECT_EQ(Paste("x"), Answer(false)) << step;
  }
  windows_.failing.clear();
  windows_.clipboard_open = true;  // another application holds it open
  EXPECT_EQ(Paste("x"), Answer(false));
  windows_.clipboard_open = false;
  ExpectNoPasteSteps();
  EXPECT_EQ(windows_.clipboard_text, u"");
}

TEST_F(TextInsertionTest, AZeroByteEndsTheText) {
  windows_.foreground = kEditor;
  EXPECT_EQ(Paste(std::string("\0cd", 3)), Answer(false)) << "nothing before the zero";
  ExpectNoPasteSteps();

  EXPECT_EQ(Paste(std::string("ab\0cd", 5)), Answer(true));
  EXPECT_EQ(windows_.clipboard_text, u"ab");
}

TEST_F(TextInsertionTest, TextBeyondTheBasicPlaneGoesAsSurrogatePairs) {
  windows_.foreground = kEditor;
  EXPECT_EQ(Paste("a\xF0\x9F\x98\x80\xC3\xA9"), Answer(true));  // a, U+1F600, e acute
  EXPECT_EQ(windows_.clipboard_text, (std::u16string{u'a', 0xD83D, 0xDE00, 0x00E9}));
}

TEST_F(TextInsertionTest, AFailedConversionAnswersFalse) {
  windows_.foreground = kEditor;
  windows_.failing = {"MultiByteToWideChar"};
  EXPECT_EQ(Paste("x"), Answer(false));
  ExpectNoPasteSteps();
}

TEST_F(WindowServicesTest, TextInsertionWithoutEngineOrWindowInstallsNothing) {
  RegisterTextInsertionChannel(nullptr, own_window_, windows_);
  RegisterTextInsertionChannel(controller_->Engine(), nullptr, windows_);
  EXPECT_FALSE(HasChannel(engine_id_, kTextInsertion));
  EXPECT_TRUE(windows_.hooks.empty());
}

TEST_F(WindowServicesTest, OneForegroundHookServesEveryWindow) {
  windows_.AddWindow(kEditor, kOtherProcess);
  controllers_.push_back(NewController());
  const standin::EngineId second_engine = standin::LiveEngines().back();
  const HWND second_window = controllers_.back()->View()->NativeWindow();
  windows_.AddWindow(second_window, windows_.own_process);

  RegisterTextInsertionChannel(controller_->Engine(), own_window_, windows_);
  RegisterTextInsertionChannel(controllers_.back()->Engine(), second_window, windows_);
  ASSERT_EQ(windows_.hooks.size(), 1u);
  const RecordedHook& hook = windows_.hooks[0];
  EXPECT_EQ(hook.event_min, 3u);
  EXPECT_EQ(hook.event_max, 3u);
  EXPECT_EQ(hook.process_id, 0u);
  EXPECT_EQ(hook.thread_id, 0u);
  EXPECT_EQ(hook.flags, 2u);

  windows_.BringToFront(kEditor);
  windows_.BringToFront(nullptr);
  windows_.BringToFront(second_window);
  const auto paste = TextArguments(EncodableValue("shared"));
  EXPECT_EQ(CallOn(second_engine, kTextInsertion, "paste_text", std::make_unique<EncodableValue>(paste)), Answer(true));
  EXPECT_EQ(windows_.foreground, kEditor);
  EXPECT_EQ(windows_.minimised, std::vector<HWND>{second_window}) << "each channel minimises its own window";
  EXPECT_EQ(windows_.clipboard_owner, second_window);
}

TEST_F(WindowServicesTest, AFailedHookIsTriedAgainByTheNextRegistration) {
  windows_.failing = {"SetWinEventHook"};
  RegisterTextInsertionChannel(controller_->Engine(), own_window_, windows_);
  EXPECT_TRUE(HasChannel(engine_id_, kTextInsertion)) << "the channel works without the hook";
  windows_.failing.clear();
  RegisterTextInsertionChannel(controller_->Engine(), own_window_, windows_);
  RegisterTextInsertionChannel(controller_->Engine(), own_window_, windows_);
  EXPECT_EQ(windows_.hooks.size(), 1u);
  EXPECT_TRUE(windows_.unhooked.empty());
  ProcessForegroundTracking() = {};
  EXPECT_EQ(windows_.unhooked.size(), 1u) << "the tracking's hook goes with it";
}

}  // namespace
}  // namespace kestro::testing
