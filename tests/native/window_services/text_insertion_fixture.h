// The text insertion channel registered on the main engine's view, with
// an editor and a browser of other applications beside it.
#ifndef KESTRO_TESTS_NATIVE_WINDOW_SERVICES_TEXT_INSERTION_FIXTURE_H_
#define KESTRO_TESTS_NATIVE_WINDOW_SERVICES_TEXT_INSERTION_FIXTURE_H_

#include <string>
#include <vector>

#include "text_insertion_channel.h"
#include "window_services_fixture.h"

namespace kestro::testing {

inline const HWND kEditor = FakeWindow(0xE1);
inline const HWND kBrowser = FakeWindow(0xB2);
inline constexpr std::uint32_t kOtherProcess = 200;

// Clipboard formats: CF_TEXT, CF_BITMAP, CF_DIB, CF_ENHMETAFILE, and a
// registered one (HTML).
inline constexpr std::uint32_t kText = 13;
inline constexpr std::uint32_t kBitmap = 2;
inline constexpr std::uint32_t kDib = 8;
inline constexpr std::uint32_t kEnhancedMetafile = 14;
inline constexpr std::uint32_t kHtml = 0xC100;

using flutter::EncodableValue;
using flutter::ValueMap;

// Every window-system call of a paste of "hello" into the editor in front.
inline const std::vector<std::string> kPlainPasteCalls = {"GetForegroundWindow",
                                                          "GetWindowThreadProcessId",
                                                          "GetCurrentProcessId",
                                                          "IsWindow",
                                                          "MultiByteToWideChar",
                                                          "MultiByteToWideChar",
                                                          "GetCurrentProcessId",
                                                          "GetProcessIntegrityLevel",
                                                          "GetWindowThreadProcessId",
                                                          "GetProcessIntegrityLevel",
                                                          "OpenClipboard",
                                                          "EmptyClipboard",
                                                          "GlobalAlloc 2 12",
                                                          "GlobalLock",
                                                          "GlobalUnlock",
                                                          "SetClipboardData 13",
                                                          "CloseClipboard",
                                                          "ShowWindow 6",
                                                          "SetForegroundWindow",
                                                          "Sleep 80",
                                                          "SendInput"};

inline flutter::EncodableValue TextArguments(const flutter::EncodableValue& text) {
  return flutter::EncodableValue(flutter::ValueMap{{flutter::EncodableValue("text"), text}});
}

// "text" and the optional keys beside it.
inline flutter::EncodableValue PasteArguments(const std::string& text, const flutter::ValueMap& options) {
  flutter::ValueMap arguments = options;
  arguments[flutter::EncodableValue("text")] = flutter::EncodableValue(text);
  return flutter::EncodableValue(arguments);
}

// A clipboard block of UTF-16 text with its terminating zero.
inline std::vector<unsigned char> Utf16Bytes(const std::u16string& text) {
  const auto* first = reinterpret_cast<const unsigned char*>(text.c_str());
  return std::vector<unsigned char>(first, first + (text.size() + 1) * sizeof(char16_t));
}

class TextInsertionTest : public WindowServicesTest {
 protected:
  void SetUp() override {
    WindowServicesTest::SetUp();
    windows_.AddWindow(kEditor, kOtherProcess);
    windows_.AddWindow(kBrowser, kOtherProcess + 1);
    RegisterTextInsertionChannel(controller_->Engine(), own_window_, windows_);
  }
  std::vector<uint8_t> PasteWith(const flutter::EncodableValue& arguments) {
    return Call(kTextInsertion, "paste_text", arguments);
  }
  std::vector<uint8_t> Paste(const std::string& text) {
    return PasteWith(TextArguments(flutter::EncodableValue(text)));
  }
  // Nothing of a paste happened: no clipboard, no minimising, no keystroke.
  void ExpectNoPasteSteps() {
    EXPECT_TRUE(windows_.minimised.empty());
    EXPECT_TRUE(windows_.sent_inputs.empty());
    EXPECT_TRUE(windows_.sleeps.empty());
    EXPECT_FALSE(windows_.clipboard_open);
    EXPECT_EQ(windows_.LeakedBlocks(), 0u);
  }
};

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_WINDOW_SERVICES_TEXT_INSERTION_FIXTURE_H_
