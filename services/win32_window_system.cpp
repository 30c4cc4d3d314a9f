// The window system on Windows: each operation is the user32/kernel32 call
// of the same name. A call that fails leaves a line naming it and the
// thread's last error.
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "kestro/platform/diagnostics.h"
#include "kestro/platform/unique_handle.h"
#include "window_system.h"

namespace kestro {

namespace {
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text passes as wide characters");
static_assert(sizeof(INPUT) == kInputRecordSize, "an input record is 40 bytes on 64-bit Windows");

using OwnedHandle = UniqueHandle<HANDLE, CloseWith<CloseHandle>>;

// WinEvent callbacks carry no user data; the process installs one hook, so
// one slot is enough.
WinEventProcedure installed_procedure = nullptr;

void CALLBACK ForwardWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object_id, LONG child_id,
                              DWORD event_thread, DWORD event_time) {
  if (installed_procedure != nullptr) {
    installed_procedure(hook, event, window, object_id, child_id, event_thread, event_time);
  }
}

// Timer callbacks carry no user data either: each thread timer's callback
// is found by its id. Platform thread only.
std::map<UINT_PTR, std::function<void()>>& PendingTimers() {
  static std::map<UINT_PTR, std::function<void()>> timers;
  return timers;
}

// One-shot: the timer goes before its callback runs.
void CALLBACK RunTimer(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  const auto found = PendingTimers().find(id);
  if (found == PendingTimers().end()) return;
  const std::function<void()> callback = std::move(found->second);
  PendingTimers().erase(found);
  try {
    callback();
  } catch (...) {
    ReportEscapedException("timer callback");
  }
}

// The services are bound to the engine's view, a child window. Display
// affinity and minimising are properties of top-level windows (Windows
// refuses affinity on a child, and a minimised child would leave an empty
// frame on screen), so they act on the top-level window holding the view.
HWND TopLevelOf(HWND window) {
  HWND root = ::GetAncestor(window, GA_ROOT);
  return root != nullptr ? root : window;
}

// Passes `result` on; when `failed`, first reports `call` with the last
// error, which must still be the failed call's.
template <typename Result>
Result Checked(const char* call, Result result, bool failed) {
  if (failed) ReportPlatformFailure(call, ::GetLastError());
  return result;
}

template <typename Result>
Result NonZero(const char* call, Result result) {
  return Checked(call, result, result == Result{});
}

class Win32WindowSystem final : public WindowSystem {
 public:
  int SetWindowDisplayAffinity(HWND window, std::uint32_t affinity) override {
    return NonZero("SetWindowDisplayAffinity", ::SetWindowDisplayAffinity(TopLevelOf(window), affinity));
  }
  int GetWindowDisplayAffinity(HWND window, std::uint32_t* affinity) override {
    DWORD value = *affinity;
    const BOOL read = NonZero("GetWindowDisplayAffinity", ::GetWindowDisplayAffinity(TopLevelOf(window), &value));
    *affinity = value;
    return read;
  }
  HWND GetForegroundWindow() override { return ::GetForegroundWindow(); }
  std::uint32_t GetWindowThreadProcessId(HWND window, std::uint32_t* process_id) override {
    DWORD value = *process_id;
    const DWORD thread_id = NonZero("GetWindowThreadProcessId", ::GetWindowThreadProcessId(window, &value));
    *process_id = value;
    return thread_id;
  }
  std::uint32_t GetCurrentProcessId() override { return ::GetCurrentProcessId(); }
  bool GetProcessIntegrityLevel(std::uint32_t process_id, std::uint32_t* level) override {
    const OwnedHandle process(
        NonZero("OpenProcess", ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id)));
    HANDLE token_handle = nullptr;
    if (!process || !NonZero("OpenProcessToken", ::OpenProcessToken(process.Get(), TOKEN_QUERY, &token_handle))) {
      return false;
    }
    const OwnedHandle token(token_handle);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenIntegrityLevel, nullptr, 0, &size);
    // DWORD elements keep the label and its SID aligned.
    std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD) + 1);
    if (size == 0 || !NonZero("GetTokenInformation", ::GetTokenInformation(token.Get(), TokenIntegrityLevel,
                                                                          buffer.data(), size, &size))) {
      if (size == 0) ReportPlatformFailure("GetTokenInformation", ::GetLastError());
      return false;
    }
    const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    const UCHAR count = *::GetSidSubAuthorityCount(sid);
    if (count == 0) return false;
    *level = *::GetSidSubAuthority(sid, count - 1);
    return true;
  }
  bool IsWindow(HWND window) override { return ::IsWindow(window) != FALSE; }
  bool ShowWindow(HWND window, int command) override { return ::ShowWindow(TopLevelOf(window), command) != FALSE; }
  bool SetForegroundWindow(HWND window) override {
    return NonZero("SetForegroundWindow", ::SetForegroundWindow(window)) != FALSE;
  }
  WinEventHook SetWinEventHook(std::uint32_t event_min, std::uint32_t event_max, WinEventProcedure procedure,
                               std::uint32_t process_id, std::uint32_t thread_id, std::uint32_t flags) override {
    installed_procedure = procedure;
    return NonZero("SetWinEventHook",
                   ::SetWinEventHook(event_min, event_max, nullptr, ForwardWinEvent, process_id, thread_id, flags));
  }
  bool UnhookWinEvent(WinEventHook hook) override {
    return NonZero("UnhookWinEvent", ::UnhookWinEvent(static_cast<HWINEVENTHOOK>(hook))) != FALSE;
  }
  int MultiByteToWideChar(std::uint32_t code_page, std::uint32_t flags, const char* input, int input_length,
                          char16_t* output, int output_length) override {
    return NonZero("MultiByteToWideChar", ::MultiByteToWideChar(code_page, flags, input, input_length,
                                                                reinterpret_cast<wchar_t*>(output), output_length));
  }
  bool OpenClipboard(HWND owner, std::uint32_t* error) override {
    if (::OpenClipboard(owner)) return true;
    *error = ::GetLastError();
    return false;
  }
  bool RenderClipboardFormat(std::uint32_t format, std::uint32_t timeout_ms) override {
    const HWND owner = ::GetClipboardOwner();
    DWORD owner_process = 0;
    if (owner == nullptr || ::GetWindowThreadProcessId(owner, &owner_process) == 0 ||
        owner_process == ::GetCurrentProcessId()) {
      return true;
    }
    DWORD_PTR ignored = 0;
    if (::SendMessageTimeoutW(owner, WM_RENDERFORMAT, format, 0, SMTO_ABORTIFHUNG, timeout_ms, &ignored) != 0) {
      return true;
    }
    // A window that went meanwhile has rendered everything on its way out.
    return ::GetLastError() != ERROR_TIMEOUT && ::IsWindow(owner) == FALSE;
  }
  HWND ClipboardWindow() override {
    // A message-only window of a predefined class: nothing to register, no
    // window procedure of ours, never shown.
    static const HWND window = NonZero(
        "CreateWindowExW", ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    return window;
  }
  bool EmptyClipboard() override { return NonZero("EmptyClipboard", ::EmptyClipboard()) != FALSE; }
  bool CloseClipboard() override { return NonZero("CloseClipboard", ::CloseClipboard()) != FALSE; }
  bool SetClipboardData(std::uint32_t format, GlobalMemory memory) override {
    return NonZero("SetClipboardData", ::SetClipboardData(format, memory)) != nullptr;
  }
  std::uint32_t EnumClipboardFormats(std::uint32_t format) override {
    // 0 with no error is the end of the list.
    ::SetLastError(NO_ERROR);
    const UINT next = ::EnumClipboardFormats(format);
    return Checked("EnumClipboardFormats", next, next == 0 && ::GetLastError() != NO_ERROR);
  }
  GlobalMemory GetClipboardData(std::uint32_t format) override {
    return NonZero("GetClipboardData", ::GetClipboardData(format));
  }
  std::uint32_t GetClipboardSequenceNumber() override { return ::GetClipboardSequenceNumber(); }
  std::uint32_t RegisterClipboardFormat(const std::string& name) override {
    const std::wstring wide(name.begin(), name.end());  // the names are ASCII
    return NonZero("RegisterClipboardFormatW", ::RegisterClipboardFormatW(wide.c_str()));
  }
  std::string GetClipboardFormatName(std::uint32_t format) override {
    char name[256];
    const int length = ::GetClipboardFormatNameA(format, name, sizeof(name));
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
  }
  GlobalMemory GlobalAlloc(std::uint32_t flags, std::size_t bytes) override {
    return NonZero("GlobalAlloc", ::GlobalAlloc(flags, bytes));
  }
  void* GlobalLock(GlobalMemory memory) override { return NonZero("GlobalLock", ::GlobalLock(memory)); }
  // FALSE with no error only says that the block is no longer locked.
  bool GlobalUnlock(GlobalMemory memory) override {
    ::SetLastError(NO_ERROR);
    const BOOL still_locked = ::GlobalUnlock(memory);
    return Checked("GlobalUnlock", still_locked, !still_locked && ::GetLastError() != NO_ERROR) != FALSE;
  }
  // Null is success here; a failure hands the block back.
  void GlobalFree(GlobalMemory memory) override {
    const HGLOBAL kept = ::GlobalFree(memory);
    Checked("GlobalFree", kept, kept != nullptr);
  }
  std::size_t GlobalSize(GlobalMemory memory) override { return NonZero("GlobalSize", ::GlobalSize(memory)); }
  std::int16_t GetAsyncKeyState(int virtual_key) override { return ::GetAsyncKeyState(virtual_key); }
  std::uint32_t SendInput(std::uint32_t count, const KeyboardInput* inputs, int record_size) override {
    std::vector<INPUT> records(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::memset(&records[i], 0, sizeof(INPUT));
      records[i].type = inputs[i].type;
      records[i].ki.wVk = inputs[i].virtual_key;
      records[i].ki.wScan = inputs[i].scan_code;
      records[i].ki.dwFlags = inputs[i].flags;
      records[i].ki.time = inputs[i].time;
      records[i].ki.dwExtraInfo = inputs[i].extra_info;
    }
    const UINT inserted = ::SendInput(count, records.data(), record_size);
    return Checked("SendInput", inserted, inserted != count);
  }
  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
  std::uint64_t TickCount() override { return ::GetTickCount64(); }
  bool SetTimer(std::uint32_t milliseconds, std::function<void()> callback) override {
    const UINT_PTR id = NonZero("SetTimer", ::SetTimer(nullptr, 0, milliseconds, RunTimer));
    if (id == 0) return false;
    PendingTimers()[id] = std::move(callback);
    return true;
  }
};
}  // namespace

WindowSystem& PlatformWindowSystem() {
  static Win32WindowSystem window_system;
  return window_system;
}

}  // namespace kestro
