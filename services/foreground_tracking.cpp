#include "foreground_tracking.h"

namespace kestro {

namespace {
constexpr std::uint32_t kEventSystemForeground = 3;
constexpr std::uint32_t kAllProcessesAndThreads = 0;
// WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS
constexpr std::uint32_t kOutOfContextSkippingOwnProcess = 2;
}  // namespace

ForegroundTracking& ProcessForegroundTracking() {
  static ForegroundTracking tracking;
  return tracking;
}

std::uint32_t ProcessIdOfWindow(WindowSystem& window_system, HWND window) {
  std::uint32_t process_id = 0;
  window_system.GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

void InstallForegroundHook(WindowSystem& window_system) {
  ForegroundTracking& tracking = ProcessForegroundTracking();
  if (tracking.foreground_hook) return;
  // Set first: the callback may only run once the hook exists, and it needs
  // to know whom to ask about the window.
  tracking.window_system = &window_system;
  tracking.foreground_hook = ForegroundHook(
      window_system.SetWinEventHook(kEventSystemForeground, kEventSystemForeground, OnForegroundChanged,
                                    kAllProcessesAndThreads, kAllProcessesAndThreads, kOutOfContextSkippingOwnProcess),
      UnhookThrough{&window_system});
}

void OnForegroundChanged(WinEventHook, std::uint32_t, HWND window, std::int32_t, std::int32_t, std::uint32_t,
                         std::uint32_t) noexcept {
  ForegroundTracking& tracking = ProcessForegroundTracking();
  if (window == nullptr || tracking.window_system == nullptr) return;
  WindowSystem& window_system = *tracking.window_system;
  if (ProcessIdOfWindow(window_system, window) != window_system.GetCurrentProcessId()) {
    tracking.last_external_window = window;
  }
}

}  // namespace kestro
