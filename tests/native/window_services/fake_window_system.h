// A window system in memory: windows with their processes, a foreground
// window, display affinities, a clipboard and global memory blocks. Records
// every call by name and fails any operation named in `failing`. Timers
// fire only when a test says so.
#ifndef KESTRO_TESTS_NATIVE_WINDOW_SERVICES_FAKE_WINDOW_SYSTEM_H_
#define KESTRO_TESTS_NATIVE_WINDOW_SERVICES_FAKE_WINDOW_SYSTEM_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "window_system.h"

namespace kestro::testing {

inline HWND FakeWindow(std::uintptr_t id) {
  return reinterpret_cast<HWND>(id);
}

struct RecordedHook {
  std::uint32_t event_min = 0;
  std::uint32_t event_max = 0;
  WinEventProcedure procedure = nullptr;
  std::uint32_t process_id = 0;
  std::uint32_t thread_id = 0;
  std::uint32_t flags = 0;
};

struct RecordedInput {
  std::vector<KeyboardInput> inputs;
  int record_size = 0;
};

class FakeWindowSystem final : public WindowSystem {
 public:
  // ---- the world --------------------------------------------------------
  std::uint32_t own_process = 100;
  std::map<HWND, std::uint32_t> window_processes;  // every existing window
  HWND foreground = nullptr;
  std::map<HWND, std::uint32_t> affinities;
  int set_affinity_result = 1;  // what a successful call reports
  int get_affinity_result = 1;
  std::set<std::string> failing;  // operations that fail, by name
  std::uint32_t inputs_inserted_limit = UINT32_MAX;
  std::set<int> keys_down;  // virtual keys GetAsyncKeyState reports down
  // Another program holds the clipboard for this many OpenClipboard calls.
  int clipboard_busy_for = 0;
  // Formats offered for lazy rendering, with how long their owner takes to
  // render each once asked; rendering sets the format to `lazy_bytes`.
  std::map<std::uint32_t, std::uint32_t> lazy_render_ms;
  std::vector<unsigned char> lazy_bytes = {'l', 'a', 'z', 'y', 0};
  // GlobalSize throws std::bad_alloc, as copying a huge block would.
  bool out_of_memory = false;
  HWND clipboard_window = FakeWindow(0xCB);
  // Integrity levels by process; others are medium, and those listed in
  // `unreadable_integrity` cannot be read.
  std::map<std::uint32_t, std::uint32_t> integrity_levels;
  std::set<std::uint32_t> unreadable_integrity;
  std::uint64_t now_ms = 0;  // moved on by Sleep and by rendering

  // ---- what happened ----------------------------------------------------
  std::vector<std::string> calls;
  std::u16string clipboard_text;
  HWND clipboard_owner = nullptr;
  bool clipboard_open = false;
  std::vector<RecordedHook> hooks;
  std::vector<WinEventHook> unhooked;
  std::vector<RecordedInput> sent_inputs;
  std::vector<std::uint32_t> sleeps;
  std::vector<HWND> minimised;
  std::uint32_t clipboard_sequence = 1;
  // Timers not yet fired: their delays and callbacks.
  std::vector<std::pair<std::uint32_t, std::function<void()>>> timers;

  // Global blocks neither freed nor handed to the clipboard.
  std::size_t LeakedBlocks() const;
  // Brings `window` to the front and reports it to every installed hook.
  void BringToFront(HWND window);
  void AddWindow(HWND window, std::uint32_t process) { window_processes[window] = process; }
  // Another program's clipboard write: `format` holding `bytes`, added to
  // what is there unless `replace`.
  void PutOnClipboard(std::uint32_t format, const std::vector<unsigned char>& bytes, bool replace = true);
  // Another program offering `format` for lazy rendering, taking `render_ms`.
  void PutLazilyOnClipboard(std::uint32_t format, std::uint32_t render_ms, bool replace = true);
  // The formats on the clipboard, in the order they were placed.
  std::vector<std::uint32_t> ClipboardFormats() const;
  // The bytes of `format` on the clipboard; empty when it is not there.
  std::vector<unsigned char> ClipboardBytes(std::uint32_t format) const;
  // The id of a registered format; 0 when it was never registered.
  std::uint32_t RegisteredFormat(const std::string& name) const;
  // Runs the timers set so far, as the message loop would when they are due.
  void FireTimers();

  // ---- WindowSystem -----------------------------------------------------
  int SetWindowDisplayAffinity(HWND window, std::uint32_t affinity) override;
  int GetWindowDisplayAffinity(HWND window, std::uint32_t* affinity) override;
  HWND GetForegroundWindow() override;
  std::uint32_t GetWindowThreadProcessId(HWND window, std::uint32_t* process_id) override;
  std::uint32_t GetCurrentProcessId() override;
  bool GetProcessIntegrityLevel(std::uint32_t process_id, std::uint32_t* level) override;
  bool IsWindow(HWND window) override;
  bool ShowWindow(HWND window, int command) override;
  bool SetForegroundWindow(HWND window) override;
  WinEventHook SetWinEventHook(std::uint32_t event_min, std::uint32_t event_max, WinEventProcedure procedure,
                               std::uint32_t process_id, std::uint32_t thread_id, std::uint32_t flags) override;
  bool UnhookWinEvent(WinEventHook hook) override;
  int MultiByteToWideChar(std::uint32_t code_page, std::uint32_t flags, const char* input, int input_length,
                          char16_t* output, int output_length) override;
  bool OpenClipboard(HWND owner, std::uint32_t* error) override;
  bool RenderClipboardFormat(std::uint32_t format, std::uint32_t timeout_ms) override;
  HWND ClipboardWindow() override;
  bool EmptyClipboard() override;
  bool CloseClipboard() override;
  bool SetClipboardData(std::uint32_t format, GlobalMemory memory) override;
  std::uint32_t EnumClipboardFormats(std::uint32_t format) override;
  GlobalMemory GetClipboardData(std::uint32_t format) override;
  std::uint32_t GetClipboardSequenceNumber() override;
  std::uint32_t RegisterClipboardFormat(const std::string& name) override;
  std::string GetClipboardFormatName(std::uint32_t format) override;
  GlobalMemory GlobalAlloc(std::uint32_t flags, std::size_t bytes) override;
  void* GlobalLock(GlobalMemory memory) override;
  bool GlobalUnlock(GlobalMemory memory) override;
  void GlobalFree(GlobalMemory memory) override;
  std::size_t GlobalSize(GlobalMemory memory) override;
  std::int16_t GetAsyncKeyState(int virtual_key) override;
  std::uint32_t SendInput(std::uint32_t count, const KeyboardInput* inputs, int record_size) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint64_t TickCount() override;
  bool SetTimer(std::uint32_t milliseconds, std::function<void()> callback) override;

 private:
  // Records `name` and `detail`; false when `name` must fail.
  bool Call(const std::string& name, const std::string& detail = "");

  struct Block {
    std::vector<unsigned char> bytes;
    bool owned_by_clipboard = false;
  };
  GlobalMemory NewBlock(std::size_t bytes);
  // Gives `memory` to the clipboard as `format`, replacing that format.
  void Place(std::uint32_t format, GlobalMemory memory);
  // Frees the clipboard's blocks and forgets its formats.
  void DropClipboardContents();

  std::map<GlobalMemory, std::unique_ptr<Block>> blocks_;
  std::vector<std::pair<std::uint32_t, GlobalMemory>> clipboard_;
  std::map<std::string, std::uint32_t> registered_formats_;
  int hook_count_ = 0;
};

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_WINDOW_SERVICES_FAKE_WINDOW_SYSTEM_H_
