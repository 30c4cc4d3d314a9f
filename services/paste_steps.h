// The platform steps of a paste: the text onto the clipboard, then Ctrl+V
// into whatever has the foreground.
#ifndef KESTRO_SERVICES_PASTE_STEPS_H_
#define KESTRO_SERVICES_PASTE_STEPS_H_

#include <string>

#include "flutter/platform_types.h"
#include "window_system.h"

namespace kestro {

// Replaces the clipboard's contents with `text` as CF_UNICODETEXT, owned by
// `owner`. False when any step fails; the clipboard is closed and no memory
// is left behind either way.
bool SetClipboardText(WindowSystem& window_system, HWND owner, const std::u16string& text);

// Ctrl down, V down, V up, Ctrl up in one input call; true when all four
// were inserted.
bool SendPasteKeystroke(WindowSystem& window_system);

}  // namespace kestro

#endif  // KESTRO_SERVICES_PASTE_STEPS_H_
