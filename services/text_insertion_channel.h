// "kestro/text_insertion": "paste_text" puts a text on the clipboard, gives
// the foreground back to the application the user worked in and presses
// Ctrl+V there.
#ifndef KESTRO_SERVICES_TEXT_INSERTION_CHANNEL_H_
#define KESTRO_SERVICES_TEXT_INSERTION_CHANNEL_H_

#include <cstdint>
#include <memory>
#include <string>

#include "flutter/encodable_value.h"
#include "flutter/flutter_engine.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"
#include "flutter/platform_types.h"
#include "window_system.h"

namespace kestro {

// Installs the foreground hook (once per process) and the channel on the
// engine's messenger; `window` owns the clipboard and is minimised before
// each paste. A null engine or window installs nothing. `window_system`
// must outlive the engine.
void RegisterTextInsertionChannel(flutter::FlutterEngine* engine, HWND window);
void RegisterTextInsertionChannel(flutter::FlutterEngine* engine, HWND window, WindowSystem& window_system);

void HandleTextInsertionCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                             HWND window, WindowSystem& window_system);

// The "text" string of a map argument; empty for anything else.
std::string TextFromArguments(const flutter::EncodableValue* arguments);

// The optional keys beside "text"; a key that is absent or of another type
// keeps its default.
struct PasteOptions {
  bool exclude_from_history = false;
  bool restore_clipboard = false;
  std::uint32_t restore_delay_ms = 400;
  bool release_modifiers = false;
  // The answer is {"pasted": bool, "reason": string} instead of a bool.
  bool detailed_result = false;
};
PasteOptions PasteOptionsFromArguments(const flutter::EncodableValue* arguments);

// How a paste ended; only kPasted answers true.
enum class PasteOutcome { kPasted, kEmptyText, kNoTarget, kClipboardBusy, kTargetElevated, kInputRejected };

// The "reason" of a detailed answer: "pasted", "empty_text", ...
const char* PasteOutcomeName(PasteOutcome outcome);

// UTF-8 to UTF-16 as the platform converts it, up to the first zero byte.
std::u16string Utf8ToUtf16(WindowSystem& window_system, const std::string& text);

}  // namespace kestro

#endif  // KESTRO_SERVICES_TEXT_INSERTION_CHANNEL_H_
