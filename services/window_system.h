// The window-system calls behind capture protection and text insertion,
// one operation per platform call, so that every rule about which call is
// made with what, and what its result means, lives in portable code.
#ifndef KESTRO_SERVICES_WINDOW_SYSTEM_H_
#define KESTRO_SERVICES_WINDOW_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "flutter/platform_types.h"

namespace kestro {

// Opaque platform handles: a WinEvent hook and a global memory block.
using WinEventHook = void*;
using GlobalMemory = void*;

// The shape of a WinEvent callback (hook, event, window, object id, child
// id, event thread, event time).
using WinEventProcedure = void (*)(WinEventHook, std::uint32_t, HWND, std::int32_t, std::int32_t, std::uint32_t,
                                   std::uint32_t);

// One keyboard input record, in the fields of the platform's own.
struct KeyboardInput {
  std::uint32_t type = 0;
  std::uint16_t virtual_key = 0;
  std::uint16_t scan_code = 0;
  std::uint32_t flags = 0;
  std::uint32_t time = 0;
  std::uintptr_t extra_info = 0;
};

// The platform's size of one input record on 64-bit Windows.
constexpr int kInputRecordSize = 40;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Display affinity; both report success as the platform's BOOL.
  virtual int SetWindowDisplayAffinity(HWND window, std::uint32_t affinity) = 0;
  virtual int GetWindowDisplayAffinity(HWND window, std::uint32_t* affinity) = 0;

  virtual HWND GetForegroundWindow() = 0;
  // Writes the window's process id, leaves `process_id` alone on failure.
  virtual std::uint32_t GetWindowThreadProcessId(HWND window, std::uint32_t* process_id) = 0;
  virtual std::uint32_t GetCurrentProcessId() = 0;
  // The mandatory integrity level of a process (0x1000 low, 0x2000 medium,
  // 0x3000 high, 0x4000 system), read from its token; false when the
  // process or its token may not be read.
  virtual bool GetProcessIntegrityLevel(std::uint32_t process_id, std::uint32_t* level) = 0;
  virtual bool IsWindow(HWND window) = 0;
  virtual bool ShowWindow(HWND window, int command) = 0;
  virtual bool SetForegroundWindow(HWND window) = 0;
  // Out of context: the callback runs on the installing thread while it
  // retrieves messages. The module is always null. Null on failure.
  virtual WinEventHook SetWinEventHook(std::uint32_t event_min, std::uint32_t event_max, WinEventProcedure procedure,
                                       std::uint32_t process_id, std::uint32_t thread_id, std::uint32_t flags) = 0;
  virtual bool UnhookWinEvent(WinEventHook hook) = 0;

  // Returns the number of UTF-16 units written, or needed when `output` is
  // null; 0 on failure. A `input_length` of -1 reads up to the first zero
  // byte and counts the terminating zero.
  virtual int MultiByteToWideChar(std::uint32_t code_page, std::uint32_t flags, const char* input, int input_length,
                                  char16_t* output, int output_length) = 0;

  // On failure `error` receives the platform's error code; nothing is
  // reported here, so that a caller that tries again writes one line.
  virtual bool OpenClipboard(HWND owner, std::uint32_t* error) = 0;
  virtual bool EmptyClipboard() = 0;
  virtual bool CloseClipboard() = 0;
  // On success the clipboard owns `memory`.
  virtual bool SetClipboardData(std::uint32_t format, GlobalMemory memory) = 0;
  // While the clipboard is open: the format after `format` (0 asks for the
  // first), 0 after the last or on failure; and the data of a format, which
  // the clipboard keeps owning, null on failure.
  virtual std::uint32_t EnumClipboardFormats(std::uint32_t format) = 0;
  virtual GlobalMemory GetClipboardData(std::uint32_t format) = 0;
  // While the clipboard is open: has its owner, when that is another
  // process's window, render `format` now, waiting at most `timeout_ms`.
  // False only when the owner did not answer in time; an owner that renders
  // lazily can otherwise keep GetClipboardData waiting without limit.
  virtual bool RenderClipboardFormat(std::uint32_t format, std::uint32_t timeout_ms) = 0;
  // A hidden window of this process that lives until it ends, to own the
  // clipboard when the window that pasted may be gone; null when none could
  // be made.
  virtual HWND ClipboardWindow() = 0;
  // Changes whenever the clipboard's contents change.
  virtual std::uint32_t GetClipboardSequenceNumber() = 0;
  // The id of a registered format, registering it first; 0 on failure.
  virtual std::uint32_t RegisterClipboardFormat(const std::string& name) = 0;
  // A registered format's name; empty for a predefined format or on failure.
  virtual std::string GetClipboardFormatName(std::uint32_t format) = 0;
  virtual GlobalMemory GlobalAlloc(std::uint32_t flags, std::size_t bytes) = 0;
  virtual void* GlobalLock(GlobalMemory memory) = 0;
  virtual bool GlobalUnlock(GlobalMemory memory) = 0;
  virtual void GlobalFree(GlobalMemory memory) = 0;
  // The block's size in bytes, 0 on failure.
  virtual std::size_t GlobalSize(GlobalMemory memory) = 0;

  // Negative (the high bit set) while the key is down.
  virtual std::int16_t GetAsyncKeyState(int virtual_key) = 0;

  // Returns how many inputs were inserted.
  virtual std::uint32_t SendInput(std::uint32_t count, const KeyboardInput* inputs, int record_size) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Milliseconds since some fixed moment; only differences mean anything.
  virtual std::uint64_t TickCount() = 0;
  // Runs `callback` once, `milliseconds` from now, on this thread while it
  // retrieves messages; the thread is not blocked meanwhile. False when no
  // timer could be set.
  virtual bool SetTimer(std::uint32_t milliseconds, std::function<void()> callback) = 0;
};

// The window system this process runs on; lives until the process ends.
WindowSystem& PlatformWindowSystem();

}  // namespace kestro

#endif  // KESTRO_SERVICES_WINDOW_SYSTEM_H_
