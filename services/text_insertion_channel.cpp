#include "text_insertion_channel.h"

#include <cstdint>
#include <utility>

#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"
#include "foreground_tracking.h"
#include "paste_steps.h"

namespace kestro {

namespace {
constexpr char kChannel[] = "kestro/text_insertion";
constexpr std::uint32_t kUtf8CodePage = 65001;
constexpr int kZeroTerminated = -1;
constexpr int kMinimize = 6;
// Lets the target settle in front before the keystroke arrives.
constexpr std::uint32_t kForegroundSettleMs = 80;

// Another application's foreground window; else the last one the hook saw,
// while it exists; else whatever is in front, this process's own included.
HWND ChooseTarget(WindowSystem& window_system) {
  const HWND foreground = window_system.GetForegroundWindow();
  if (foreground != nullptr &&
      ProcessIdOfWindow(window_system, foreground) != window_system.GetCurrentProcessId()) {
    return foreground;
  }
  const HWND last_external = ProcessForegroundTracking().last_external_window;
  if (last_external != nullptr && window_system.IsWindow(last_external)) return last_external;
  return foreground;
}

bool PasteText(const std::string& text, HWND window, WindowSystem& window_system) {
  if (text.empty()) return false;
  const HWND target = ChooseTarget(window_system);
  if (target == nullptr || !window_system.IsWindow(target)) return false;
  const std::u16string wide = Utf8ToUtf16(window_system, text);
  if (wide.empty()) return false;
  if (!SetClipboardText(window_system, window, wide)) return false;
  window_system.ShowWindow(window, kMinimize);
  window_system.SetForegroundWindow(target);
  window_system.Sleep(kForegroundSettleMs);
  return SendPasteKeystroke(window_system);
}
}  // namespace

std::string TextFromArguments(const flutter::EncodableValue* arguments) {
  if (arguments == nullptr) return {};
  const flutter::EncodableValue* value = arguments->Find("text");
  if (value == nullptr) return {};
  const std::string* text = value->TryGet<std::string>();
  return text == nullptr ? std::string() : *text;
}

std::u16string Utf8ToUtf16(WindowSystem& window_system, const std::string& text) {
  const int length = window_system.MultiByteToWideChar(kUtf8CodePage, 0, text.c_str(), kZeroTerminated, nullptr, 0);
  if (length < 1) return {};
  std::u16string wide(static_cast<std::size_t>(length), u'\0');
  const int written =
      window_system.MultiByteToWideChar(kUtf8CodePage, 0, text.c_str(), kZeroTerminated, wide.data(), length);
  // What was written, without its terminating zero: a conversion that fails
  // the second time leaves nothing rather than a run of zeros.
  wide.resize(written < 1 ? 0 : static_cast<std::size_t>(written - 1));
  return wide;
}

void HandleTextInsertionCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                             HWND window, WindowSystem& window_system) {
  if (call.method_name() != "paste_text") {
    result->NotImplemented();
    return;
  }
  result->Success(flutter::EncodableValue(PasteText(TextFromArguments(call.arguments()), window, window_system)));
}

void RegisterTextInsertionChannel(flutter::FlutterEngine* engine, HWND window) {
  RegisterTextInsertionChannel(engine, window, PlatformWindowSystem());
}

void RegisterTextInsertionChannel(flutter::FlutterEngine* engine, HWND window, WindowSystem& window_system) {
  if (engine == nullptr || window == nullptr) return;
  InstallForegroundHook(window_system);
  // The handler lives in the messenger; the channel object may go.
  const flutter::MethodChannel channel(engine->Messenger(), kChannel, &flutter::StandardMethodCodec::Shared());
  WindowSystem* system = &window_system;
  channel.SetMethodCallHandler(
      [window, system](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        HandleTextInsertionCall(call, std::move(result), window, *system);
      });
}

}  // namespace kestro
