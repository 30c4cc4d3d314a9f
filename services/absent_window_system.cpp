// Where there is no window system to act on: every operation fails, so the
// channels answer false and touch nothing.
#include "window_system.h"

namespace kestro {

namespace {
class AbsentWindowSystem final : public WindowSystem {
 public:
  int SetWindowDisplayAffinity(HWND, std::uint32_t) override { return 0; }
  int GetWindowDisplayAffinity(HWND, std::uint32_t*) override { return 0; }
  HWND GetForegroundWindow() override { return nullptr; }
  std::uint32_t GetWindowThreadProcessId(HWND, std::uint32_t*) override { return 0; }
  std::uint32_t GetCurrentProcessId() override { return 0; }
  bool GetProcessIntegrityLevel(std::uint32_t, std::uint32_t*) override { return false; }
  bool IsWindow(HWND) override { return false; }
  bool ShowWindow(HWND, int) override { return false; }
  bool SetForegroundWindow(HWND) override { return false; }
  WinEventHook SetWinEventHook(std::uint32_t, std::uint32_t, WinEventProcedure, std::uint32_t, std::uint32_t,
                               std::uint32_t) override {
    return nullptr;
  }
  bool UnhookWinEvent(WinEventHook) override { return false; }
  int MultiByteToWideChar(std::uint32_t, std::uint32_t, const char*, int, char16_t*, int) override { return 0; }
  bool OpenClipboard(HWND, std::uint32_t*) override { return false; }
  bool RenderClipboardFormat(std::uint32_t, std::uint32_t) override { return true; }
  HWND ClipboardWindow() override { return nullptr; }
  bool EmptyClipboard() override { return false; }
  bool CloseClipboard() override { return false; }
  bool SetClipboardData(std::uint32_t, GlobalMemory) override { return false; }
  std::uint32_t EnumClipboardFormats(std::uint32_t) override { return 0; }
  GlobalMemory GetClipboardData(std::uint32_t) override { return nullptr; }
  std::uint32_t GetClipboardSequenceNumber() override { return 0; }
  std::uint32_t RegisterClipboardFormat(const std::string&) override { return 0; }
  std::string GetClipboardFormatName(std::uint32_t) override { return {}; }
  GlobalMemory GlobalAlloc(std::uint32_t, std::size_t) override { return nullptr; }
  void* GlobalLock(GlobalMemory) override { return nullptr; }
  bool GlobalUnlock(GlobalMemory) override { return false; }
  void GlobalFree(GlobalMemory) override {}
  std::size_t GlobalSize(GlobalMemory) override { return 0; }
  std::int16_t GetAsyncKeyState(int) override { return 0; }
  std::uint32_t SendInput(std::uint32_t, const KeyboardInput*, int) override { return 0; }
  void Sleep(std::uint32_t) override {}
  std::uint64_t TickCount() override { return 0; }
  bool SetTimer(std::uint32_t, std::function<void()>) override { return false; }
};
}  // namespace

WindowSystem& PlatformWindowSystem() {
  static AbsentWindowSystem window_system;
  return window_system;
}

}  // namespace kestro
