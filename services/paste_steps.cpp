#include "paste_steps.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kestro/platform/diagnostics.h"
#include "kestro/platform/unique_handle.h"
#include "open_clipboard.h"

namespace kestro {

namespace {
constexpr std::uint32_t kGlobalMoveable = 0x0002;
constexpr std::uint32_t kUnicodeTextFormat = 13;
constexpr std::uint32_t kInputKeyboard = 1;
constexpr std::uint16_t kControlKey = 0x11;
constexpr std::uint16_t kVKey = 0x56;
constexpr std::uint32_t kKeyDown = 0;
constexpr std::uint32_t kKeyUp = 2;
constexpr std::uint32_t kExtendedKey = 1;

// Windows leaves a clipboard entry out of its history and the cloud
// clipboard when these are present.
constexpr const char* kExcludeFromHistoryFormats[] = {"ExcludeClipboardContentFromMonitorProcessing",
                                                      "CanIncludeInClipboardHistory", "CanUploadToCloudClipboard"};

// Predefined formats whose data is a GDI handle, or a block that holds one,
// and so cannot be copied as bytes.
struct NamedFormat {
  std::uint32_t format;
  const char* name;
};
constexpr NamedFormat kHandleFormats[] = {{2, "CF_BITMAP"},
                                          {3, "CF_METAFILEPICT"},
                                          {9, "CF_PALETTE"},
                                          {14, "CF_ENHMETAFILE"},
                                          {0x80, "CF_OWNERDISPLAY"},
                                          {0x82, "CF_DSPBITMAP"},
                                          {0x83, "CF_DSPMETAFILEPICT"},
                                          {0x8E, "CF_DSPENHMETAFILE"}};
// Private (0x200..0x2FF) and GDI object (0x300..0x3FF) formats hold
// whatever their owner chose.
constexpr std::uint32_t kPrivateFirst = 0x200;
constexpr std::uint32_t kGdiObjectLast = 0x3FF;

// Modifiers by side, so that a right-hand key is released as itself: the
// right-hand Ctrl and Alt and both Windows keys are extended keys.
struct Modifier {
  std::uint16_t virtual_key;
  std::uint32_t flags;
};
constexpr Modifier kModifiers[] = {{0xA0, 0},
                                   {0xA1, 0},
                                   {0xA2, 0},
                                   {0xA3, kExtendedKey},
                                   {0xA4, 0},
                                   {0xA5, kExtendedKey},
                                   {0x5B, kExtendedKey},
                                   {0x5C, kExtendedKey}};

KeyboardInput Key(std::uint16_t virtual_key, std::uint32_t flags) {
  KeyboardInput input;
  input.type = kInputKeyboard;
  input.virtual_key = virtual_key;
  input.flags = flags;
  return input;
}

struct GlobalFreeThrough {
  WindowSystem* window_system = nullptr;
  void operator()(GlobalMemory memory) const { window_system->GlobalFree(memory); }
};
// A block of ours until the clipboard takes it.
using OwnedGlobalMemory = UniqueHandle<GlobalMemory, GlobalFreeThrough>;

// Copies `bytes` bytes from `source` into a new movable block; empty when
// it cannot.
OwnedGlobalMemory CopyToGlobalMemory(WindowSystem& window_system, const void* source, std::size_t bytes) {
  OwnedGlobalMemory memory(window_system.GlobalAlloc(kGlobalMoveable, bytes), GlobalFreeThrough{&window_system});
  if (!memory) return memory;
  void* destination = window_system.GlobalLock(memory.Get());
  if (destination == nullptr) return OwnedGlobalMemory();
  if (bytes > 0) std::memcpy(destination, source, bytes);
  window_system.GlobalUnlock(memory.Get());
  return memory;
}

// Hands a copy of `bytes` to the open clipboard as `format`.
bool PlaceOnClipboard(WindowSystem& window_system, std::uint32_t format, const void* source, std::size_t bytes) {
  OwnedGlobalMemory memory = CopyToGlobalMemory(window_system, source, bytes);
  if (!memory || !window_system.SetClipboardData(format, memory.Get())) return false;
  // Only a successful hand-over gives the block to the clipboard.
  static_cast<void>(memory.Release());
  return true;
}

// The name of a format whose data is not a memory block; null for one
// whose data is.
const char* HandleFormatName(std::uint32_t format) {
  for (const NamedFormat& handle_format : kHandleFormats) {
    if (handle_format.format == format) return handle_format.name;
  }
  if (format >= kPrivateFirst && format <= kGdiObjectLast) return format < 0x300 ? "private" : "GDI object";
  return nullptr;
}

std::string FormatName(WindowSystem& window_system, std::uint32_t format) {
  const char* handle_name = HandleFormatName(format);
  const std::string name = handle_name != nullptr ? handle_name : window_system.GetClipboardFormatName(format);
  return std::to_string(format) + (name.empty() ? "" : " (" + name + ")");
}

// The bytes of a clipboard block; false when they cannot be read.
bool ReadClipboardBlock(WindowSystem& window_system, std::uint32_t format, std::vector<unsigned char>* bytes) {
  const GlobalMemory data = window_system.GetClipboardData(format);
  if (data == nullptr) return false;
  const std::size_t size = window_system.GlobalSize(data);
  if (size == 0) return false;
  const void* source = window_system.GlobalLock(data);
  if (source == nullptr) return false;
  bytes->assign(static_cast<const unsigned char*>(source), static_cast<const unsigned char*>(source) + size);
  window_system.GlobalUnlock(data);
  return true;
}

// Names what a snapshot leaves out, in one line.
void ReportLeftOut(WindowSystem& window_system, const std::vector<std::uint32_t>& left_out) {
  if (left_out.empty()) return;
  std::string line = "Text insertion: the clipboard will be restored without " + std::to_string(left_out.size()) +
                     " format(s) that cannot be copied as memory blocks:";
  for (std::size_t i = 0; i < left_out.size(); ++i) line += (i == 0 ? " " : ", ") + FormatName(window_system, left_out[i]);
  WriteDiagnosticLine(line);
}

// What the open clipboard holds; empty when its owner does not render a
// format within the budget, which is shared by every format, so that an
// owner offering many formats cannot add up to a long wait.
std::optional<ClipboardSnapshot> SnapshotClipboard(WindowSystem& window_system) {
  ClipboardSnapshot snapshot;
  const std::uint64_t deadline = window_system.TickCount() + kClipboardSaveBudgetMs;
  for (std::uint32_t format = window_system.EnumClipboardFormats(0); format != 0;
       format = window_system.EnumClipboardFormats(format)) {
    if (HandleFormatName(format) != nullptr) {
      snapshot.left_out.push_back(format);
      continue;
    }
    const std::uint64_t now = window_system.TickCount();
    if (now >= deadline || !window_system.RenderClipboardFormat(format, static_cast<std::uint32_t>(deadline - now))) {
      WriteDiagnosticLine("Warning: Text insertion: the clipboard's owner did not render format " +
                          FormatName(window_system, format) + " within " + std::to_string(kClipboardSaveBudgetMs) +
                          " ms, so the clipboard will not be restored after this paste");
      return std::nullopt;
    }
    ClipboardSnapshot::Entry entry{format, {}};
    if (ReadClipboardBlock(window_system, format, &entry.bytes)) {
      snapshot.entries.push_back(std::move(entry));
    } else {
      snapshot.left_out.push_back(format);
    }
  }
  ReportLeftOut(window_system, snapshot.left_out);
  return snapshot;
}

// The snapshot, or nothing when memory runs out while taking it: the paste
// goes ahead without a restore.
std::optional<ClipboardSnapshot> TrySnapshotClipboard(WindowSystem& window_system) {
  try {
    return SnapshotClipboard(window_system);
  } catch (const std::bad_alloc&) {
    WriteDiagnosticLine(
        "Warning: Text insertion: out of memory while saving the clipboard, so it will not be restored after this "
        "paste");
    return std::nullopt;
  }
}

// The ids of the exclusion formats; false when one cannot be registered.
bool RegisterExcludeFromHistoryFormats(WindowSystem& window_system, std::vector<std::uint32_t>* formats) {
  for (const char* name : kExcludeFromHistoryFormats) {
    const std::uint32_t format = window_system.RegisterClipboardFormat(name);
    if (format == 0) return false;
    formats->push_back(format);
  }
  return true;
}

// The exclusion formats go before the text, so that a failure never leaves
// the text on the clipboard without them.
bool PlaceText(WindowSystem& window_system, const std::u16string& text, const std::vector<std::uint32_t>& markers) {
  const std::uint32_t zero = 0;
  for (const std::uint32_t format : markers) {
    if (!PlaceOnClipboard(window_system, format, &zero, sizeof(zero))) return false;
  }
  return PlaceOnClipboard(window_system, kUnicodeTextFormat, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}
}  // namespace

bool SetClipboardText(WindowSystem& window_system, HWND owner, const std::u16string& text, bool exclude_from_history,
                      std::optional<ClipboardSnapshot>* previous, int open_attempts) {
  std::vector<std::uint32_t> markers;
  if (exclude_from_history && !RegisterExcludeFromHistoryFormats(window_system, &markers)) return false;
  const OpenClipboardScope clipboard(window_system, owner, open_attempts);
  if (!clipboard.IsOpen()) return false;
  if (previous != nullptr) *previous = TrySnapshotClipboard(window_system);
  return window_system.EmptyClipboard() && PlaceText(window_system, text, markers);
}

bool RestoreClipboard(WindowSystem& window_system, HWND owner, const ClipboardSnapshot& snapshot, int open_attempts) {
  const OpenClipboardScope clipboard(window_system, owner, open_attempts);
  if (!clipboard.IsOpen() || !window_system.EmptyClipboard()) return false;
  bool restored = true;
  for (const ClipboardSnapshot::Entry& entry : snapshot.entries) {
    restored = PlaceOnClipboard(window_system, entry.format, entry.bytes.data(), entry.bytes.size()) && restored;
  }
  return restored;
}

bool SendPasteKeystroke(WindowSystem& window_system, bool release_modifiers) {
  std::vector<KeyboardInput> inputs;
  if (release_modifiers) {
    for (const Modifier& modifier : kModifiers) {
      if (window_system.GetAsyncKeyState(modifier.virtual_key) < 0) {
        inputs.push_back(Key(modifier.virtual_key, modifier.flags | kKeyUp));
      }
    }
  }
  for (const KeyboardInput& key :
       {Key(kControlKey, kKeyDown), Key(kVKey, kKeyDown), Key(kVKey, kKeyUp), Key(kControlKey, kKeyUp)}) {
    inputs.push_back(key);
  }
  const auto count = static_cast<std::uint32_t>(inputs.size());
  return window_system.SendInput(count, inputs.data(), kInputRecordSize) == count;
}

}  // namespace kestro
