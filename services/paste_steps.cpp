#include "paste_steps.h"

#include <cstdint>
#include <cstring>

#include "kestro/platform/unique_handle.h"

namespace kestro {

namespace {
constexpr std::uint32_t kGlobalMoveable = 0x0002;
constexpr std::uint32_t kUnicodeTextFormat = 13;
constexpr std::uint32_t kInputKeyboard = 1;
constexpr std::uint16_t kControlKey = 0x11;
constexpr std::uint16_t kVKey = 0x56;
constexpr std::uint32_t kKeyDown = 0;
constexpr std::uint32_t kKeyUp = 2;

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

// Copies `text` and its terminating zero into a new movable block; empty
// when it cannot.
OwnedGlobalMemory CopyToGlobalMemory(WindowSystem& window_system, const std::u16string& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
  OwnedGlobalMemory memory(window_system.GlobalAlloc(kGlobalMoveable, bytes), GlobalFreeThrough{&window_system});
  if (!memory) return memory;
  void* destination = window_system.GlobalLock(memory.Get());
  if (destination == nullptr) return OwnedGlobalMemory();
  std::memcpy(destination, text.c_str(), bytes);
  window_system.GlobalUnlock(memory.Get());
  return memory;
}
}  // namespace

bool SetClipboardText(WindowSystem& window_system, HWND owner, const std::u16string& text) {
  if (!window_system.OpenClipboard(owner)) return false;
  bool placed = false;
  if (window_system.EmptyClipboard()) {
    if (OwnedGlobalMemory memory = CopyToGlobalMemory(window_system, text)) {
      placed = window_system.SetClipboardData(kUnicodeTextFormat, memory.Get());
      // Only a successful hand-over gives the block to the clipboard.
      if (placed) static_cast<void>(memory.Release());
    }
  }
  window_system.CloseClipboard();
  return placed;
}

bool SendPasteKeystroke(WindowSystem& window_system) {
  const KeyboardInput inputs[] = {Key(kControlKey, kKeyDown), Key(kVKey, kKeyDown), Key(kVKey, kKeyUp),
                                  Key(kControlKey, kKeyUp)};
  constexpr std::uint32_t kCount = sizeof(inputs) / sizeof(inputs[0]);
  return window_system.SendInput(kCount, inputs, kInputRecordSize) == kCount;
}

}  // namespace kestro
