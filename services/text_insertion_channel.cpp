#include "text_insertion_channel.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"
#include "foreground_tracking.h"
#include "kestro/platform/diagnostics.h"
#include "method_arguments.h"
#include "paste_steps.h"
#include "window_channel.h"

namespace kestro {

namespace {
constexpr char kChannel[] = "kestro/text_insertion";
constexpr std::uint32_t kUtf8CodePage = 65001;
constexpr int kZeroTerminated = -1;
constexpr int kMinimize = 6;
// Lets the target settle in front before the keystroke arrives.
constexpr std::uint32_t kForegroundSettleMs = 80;
// How long the target may take to read the paste before the clipboard is
// put back.
constexpr std::int32_t kRestoreDelayMinMs = 50;
constexpr std::int32_t kRestoreDelayMaxMs = 5000;

// Another application's foreground window; else the last one the hook saw,
// while it exists; else whatever is in front, this process's own included.
HWND ChooseTarget(WindowSystem& window_system) {
  const HWND foreground = window_system.GetForegroundWindow();
  if (foreground != nullptr && ProcessIdOfWindow(window_system, foreground) != window_system.GetCurrentProcessId()) {
    return foreground;
  }
  const HWND last_external = ProcessForegroundTracking().last_external_window;
  if (last_external != nullptr && window_system.IsWindow(last_external)) return last_external;
  return foreground;
}

// Puts `previous` back after the delay, unless the clipboard has changed
// since the paste wrote it (sequence number `pasted`): then it holds
// someone else's contents now.
void ScheduleRestore(WindowSystem& window_system, HWND window, ClipboardSnapshot previous, std::uint32_t pasted,
                     std::uint32_t delay_ms) {
  auto snapshot = std::make_shared<const ClipboardSnapshot>(std::move(previous));
  WindowSystem* system = &window_system;
  const bool scheduled = window_system.SetTimer(delay_ms, [system, window, pasted, snapshot] {
    if (system->GetClipboardSequenceNumber() != pasted) {
      WriteDiagnosticLine(
          "Text insertion: the clipboard changed after the paste, so its earlier contents are not put back");
      return;
    }
    RestoreClipboard(*system, window, *snapshot);
  });
  if (!scheduled) WriteDiagnosticLine("Text insertion: no timer to restore the clipboard; the paste stays on it");
}

// Runs the paste steps and gives `answer` their result (false when a step
// before the keystroke refuses); only then arranges for the earlier
// clipboard to come back.
void PasteText(const std::string& text, const PasteOptions& options, HWND window, WindowSystem& window_system,
               const std::function<void(bool)>& answer) {
  if (text.empty()) return answer(false);
  const HWND target = ChooseTarget(window_system);
  if (target == nullptr || !window_system.IsWindow(target)) return answer(false);
  const std::u16string wide = Utf8ToUtf16(window_system, text);
  if (wide.empty()) return answer(false);
  ClipboardSnapshot previous;
  if (!SetClipboardText(window_system, window, wide, options.exclude_from_history,
                        options.restore_clipboard ? &previous : nullptr)) {
    return answer(false);
  }
  const std::uint32_t pasted = options.restore_clipboard ? window_system.GetClipboardSequenceNumber() : 0;
  window_system.ShowWindow(window, kMinimize);
  window_system.SetForegroundWindow(target);
  window_system.Sleep(kForegroundSettleMs);
  answer(SendPasteKeystroke(window_system, options.release_modifiers));
  if (options.restore_clipboard) {
    ScheduleRestore(window_system, window, std::move(previous), pasted, options.restore_delay_ms);
  }
}
}  // namespace

std::string TextFromArguments(const flutter::EncodableValue* arguments) {
  const std::string* text = ArgumentOfKind<std::string>(arguments, "text");
  return text == nullptr ? std::string() : *text;
}

PasteOptions PasteOptionsFromArguments(const flutter::EncodableValue* arguments) {
  PasteOptions options;
  if (arguments == nullptr) return options;
  options.exclude_from_history = FlagArgument(arguments, "exclude_from_history");
  options.restore_clipboard = FlagArgument(arguments, "restore_clipboard");
  options.release_modifiers = FlagArgument(arguments, "release_modifiers");
  if (const std::int32_t* milliseconds = ArgumentOfKind<std::int32_t>(arguments, "restore_delay_ms")) {
    options.restore_delay_ms =
        static_cast<std::uint32_t>(std::clamp(*milliseconds, kRestoreDelayMinMs, kRestoreDelayMaxMs));
  }
  return options;
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
  const auto answer = [&result](bool pasted) { result->Success(flutter::EncodableValue(pasted)); };
  PasteText(TextFromArguments(call.arguments()), PasteOptionsFromArguments(call.arguments()), window, window_system,
            answer);
}

void RegisterTextInsertionChannel(flutter::FlutterEngine* engine, HWND window) {
  RegisterTextInsertionChannel(engine, window, PlatformWindowSystem());
}

void RegisterTextInsertionChannel(flutter::FlutterEngine* engine, HWND window, WindowSystem& window_system) {
  if (engine == nullptr || window == nullptr) return;
  InstallForegroundHook(window_system);
  SetWindowChannelHandler(*engine, kChannel, window, window_system, HandleTextInsertionCall);
}

}  // namespace kestro
