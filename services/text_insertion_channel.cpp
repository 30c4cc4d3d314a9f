#include "text_insertion_channel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "clipboard_restore.h"
#include "foreground_tracking.h"
#include "method_arguments.h"
#include "open_clipboard.h"
#include "paste_steps.h"
#include "target_integrity.h"
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

// Runs the paste steps and gives `answer` their outcome (a refusal before
// the keystroke stops there); only then arranges for the earlier clipboard
// to come back. A target that input cannot reach still gets the text on the
// clipboard and the foreground, so that the user can paste by hand, and
// the text stays.
void PasteText(const std::string& text, const PasteOptions& options, HWND window, WindowSystem& window_system,
               const std::function<void(PasteOutcome)>& answer) {
  if (text.empty()) return answer(PasteOutcome::kEmptyText);
  const HWND target = ChooseTarget(window_system);
  if (target == nullptr || !window_system.IsWindow(target)) return answer(PasteOutcome::kNoTarget);
  const std::u16string wide = Utf8ToUtf16(window_system, text);
  if (wide.empty()) return answer(PasteOutcome::kEmptyText);
  const bool dropped = InputToWindowWouldBeDropped(window_system, target);
  const bool restore = options.restore_clipboard && !dropped;
  // A restore still owed from an earlier paste already holds the user's
  // clipboard; what is there now is only kestro's own paste.
  const bool owed = restore && ClipboardRestoreOwed(window_system);
  std::optional<ClipboardSnapshot> previous;
  if (!SetClipboardText(window_system, window, wide, options.exclude_from_history,
                        restore && !owed ? &previous : nullptr,
                        options.restore_clipboard ? kClipboardOpenRetries : 1)) {
    return answer(PasteOutcome::kClipboardBusy);
  }
  const std::uint32_t pasted = restore ? window_system.GetClipboardSequenceNumber() : 0;
  if (!restore) {
    CancelClipboardRestore();
  } else if (!owed && !previous.has_value()) {
    NoteClipboardUnsaved(window_system, pasted);
  }
  window_system.ShowWindow(window, kMinimize);
  window_system.SetForegroundWindow(target);
  window_system.Sleep(kForegroundSettleMs);
  if (dropped) return answer(PasteOutcome::kTargetElevated);
  answer(SendPasteKeystroke(window_system, options.release_modifiers) ? PasteOutcome::kPasted
                                                                      : PasteOutcome::kInputRejected);
  if (owed || previous.has_value()) {
    ScheduleClipboardRestore(window_system,
                             previous.has_value() ? std::make_shared<const ClipboardSnapshot>(std::move(*previous))
                                                  : nullptr,
                             pasted, options.restore_delay_ms);
  }
}
}  // namespace

const char* PasteOutcomeName(PasteOutcome outcome) {
  switch (outcome) {
    case PasteOutcome::kPasted:
      return "pasted";
    case PasteOutcome::kEmptyText:
      return "empty_text";
    case PasteOutcome::kNoTarget:
      return "no_target";
    case PasteOutcome::kClipboardBusy:
      return "clipboard_busy";
    case PasteOutcome::kTargetElevated:
      return "target_elevated";
    case PasteOutcome::kInputRejected:
      return "input_rejected";
  }
  return "input_rejected";
}

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
  options.detailed_result = FlagArgument(arguments, "detailed_result");
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
  const PasteOptions options = PasteOptionsFromArguments(call.arguments());
  const auto answer = [&result, &options](PasteOutcome outcome) {
    const flutter::EncodableValue pasted(outcome == PasteOutcome::kPasted);
    if (!options.detailed_result) return result->Success(pasted);
    result->Success(flutter::EncodableValue(flutter::ValueMap{
        {flutter::EncodableValue("pasted"), pasted},
        {flutter::EncodableValue("reason"), flutter::EncodableValue(std::string(PasteOutcomeName(outcome)))}}));
  };
  PasteText(TextFromArguments(call.arguments()), options, window, window_system, answer);
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
