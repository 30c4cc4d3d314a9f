#include "win32/platform_thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#include "core.h"
#include "diagnostics.h"
#include "platform.h"
#include "win32/view_window.h"

namespace standin::internal::win32 {
namespace {

constexpr wchar_t kClassName[] = L"KestroStandinPlatformThread";
constexpr UINT kWakeUp = WM_APP + 1;
constexpr UINT kRepaintViews = WM_APP + 2;

std::atomic<HWND> platform_window{nullptr};
std::atomic<DWORD> platform_thread_id{0};
// One wake-up message in the queue is enough: it pumps every task queued by then.
std::atomic<bool> wake_up_posted{false};
std::atomic<bool> repaint_posted{false};
std::atomic<bool> waits_interrupted{false};
// How often a waiting thread looks whether its wait was interrupted.
constexpr std::chrono::milliseconds kInterruptCheck{20};

LRESULT CALLBACK PlatformWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    if (message == kWakeUp) {
      wake_up_posted = false;
      PumpPlatformThread();
      return 0;
    }
    if (message == kRepaintViews) {
      repaint_posted = false;
      RepaintViews();
      return 0;
    }
  } catch (const std::exception& error) {
    Diagnose(std::string("platform thread: a task failed: ") + error.what());
    return 0;
  } catch (...) {
    Diagnose("platform thread: a task failed");
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Posts `message` unless one is already waiting; a failed post is diagnosed
// and leaves the next request to try again.
void PostOnce(std::atomic<bool>& posted, UINT message) {
  const HWND window = platform_window;
  if (window == nullptr || posted.exchange(true)) return;
  if (!PostMessageW(window, message, 0, 0)) {
    posted = false;
    Diagnose("platform thread: cannot post to its window (error " + std::to_string(GetLastError()) + ")");
  }
}

HWND CreatePlatformWindow() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = PlatformWindowProcedure;
  window_class.hInstance = LibraryInstance();
  window_class.lpszClassName = kClassName;
  RegisterClassW(&window_class);
  return CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, LibraryInstance(), nullptr);
}

}  // namespace

HWND PlatformWindow() {
  return platform_window;
}

HINSTANCE LibraryInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&PlatformWindowProcedure), &module);
  return module;
}

bool RunOnPlatformThread(const std::function<void()>& work, std::chrono::milliseconds timeout) {
  if (platform_window == nullptr) return false;
  if (GetCurrentThreadId() == platform_thread_id) {
    work();
    return true;
  }
  // Shared with the task, which may outlive this call when it times out:
  // `abandoned` keeps it from touching `work` then.
  struct Job {
    std::mutex mutex;
    std::condition_variable finished_signal;
    bool finished = false;
    bool abandoned = false;
  };
  auto job = std::make_shared<Job>();
  Core::Instance().Tasks().Post([job, &work] {
    std::lock_guard<std::mutex> guard(job->mutex);
    if (job->abandoned) return;
    try {
      work();
    } catch (const std::exception& error) {
      Diagnose(std::string("platform thread: work sent from another thread failed: ") + error.what());
    } catch (...) {
      Diagnose("platform thread: work sent from another thread failed");
    }
    job->finished = true;
    job->finished_signal.notify_all();
  });
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock<std::mutex> guard(job->mutex);
  while (!job->finished && !waits_interrupted && std::chrono::steady_clock::now() < deadline) {
    job->finished_signal.wait_for(guard, kInterruptCheck);
  }
  if (job->finished) return true;
  job->abandoned = true;
  return false;
}

}  // namespace standin::internal::win32

namespace standin::internal::platform {

void AdoptPlatformThread() {
  static std::once_flag adopted;
  std::call_once(adopted, [] {
    const HWND window = win32::CreatePlatformWindow();
    if (window == nullptr) {
      Diagnose("platform thread: cannot create its message window (error " + std::to_string(GetLastError()) +
               "); platform tasks run only when pumped");
      return;
    }
    win32::platform_thread_id = GetCurrentThreadId();
    win32::platform_window = window;
    SetPlatformWakeUp([] { win32::PostOnce(win32::wake_up_posted, win32::kWakeUp); });
    // Tasks queued before there was anyone to wake.
    win32::PostOnce(win32::wake_up_posted, win32::kWakeUp);
  });
}

void InterruptPlatformWaits(bool interrupt) {
  win32::waits_interrupted = interrupt;
}

void TrafficChanged() {
  win32::PostOnce(win32::repaint_posted, win32::kRepaintViews);
}

}  // namespace standin::internal::platform
