// The platform steps of a paste: the text onto the clipboard, then Ctrl+V
// into whatever has the foreground; and what it takes to put the earlier
// clipboard back afterwards.
#ifndef KESTRO_SERVICES_PASTE_STEPS_H_
#define KESTRO_SERVICES_PASTE_STEPS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "flutter/platform_types.h"
#include "window_system.h"

namespace kestro {

// A copy of what the clipboard held, format by format: every format whose
// data is a global memory block. The others cannot be copied as bytes and
// are left out.
struct ClipboardSnapshot {
  struct Entry {
    std::uint32_t format = 0;
    std::vector<unsigned char> bytes;
  };
  std::vector<Entry> entries;
  std::vector<std::uint32_t> left_out;
};

// How long saving the clipboard may wait for its owner to render formats,
// all formats together.
constexpr std::uint32_t kClipboardSaveBudgetMs = 500;

// Replaces the clipboard's contents with `text` as CF_UNICODETEXT, owned by
// `owner`. With `exclude_from_history`, the formats that keep an entry out
// of clipboard history and the cloud clipboard go with it, each holding a
// 32-bit zero. With `previous`, it first receives what the clipboard held,
// or nothing (and a warning) when that could not be saved in time or in
// memory. The clipboard is opened in up to `open_attempts` tries.
// False when any step fails; the clipboard is closed and no memory is left
// behind either way.
bool SetClipboardText(WindowSystem& window_system, HWND owner, const std::u16string& text,
                      bool exclude_from_history = false, std::optional<ClipboardSnapshot>* previous = nullptr,
                      int open_attempts = 1);

// Puts `snapshot` back as the clipboard's whole contents, owned by `owner`.
// A format that cannot be placed does not stop the others; false when any
// step failed.
bool RestoreClipboard(WindowSystem& window_system, HWND owner, const ClipboardSnapshot& snapshot,
                      int open_attempts = 1);

// Ctrl down, V down, V up, Ctrl up in one input call; with
// `release_modifiers`, the key-up of every Shift, Ctrl, Alt and Windows key
// that is down goes first in the same call. True when every event was
// inserted.
bool SendPasteKeystroke(WindowSystem& window_system, bool release_modifiers = false);

}  // namespace kestro

#endif  // KESTRO_SERVICES_PASTE_STEPS_H_
