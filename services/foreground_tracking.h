// Which window of another application the user worked in last: a
// process-wide foreground hook, installed once and shared by every text
// insertion channel. Platform thread only; nothing here is locked.
#ifndef KESTRO_SERVICES_FOREGROUND_TRACKING_H_
#define KESTRO_SERVICES_FOREGROUND_TRACKING_H_

#include <cstdint>

#include "flutter/platform_types.h"
#include "kestro/platform/unique_handle.h"
#include "window_system.h"

namespace kestro {

// Removes a hook through the window system that installed it.
struct UnhookThrough {
  WindowSystem* window_system = nullptr;
  void operator()(WinEventHook hook) const { window_system->UnhookWinEvent(hook); }
};
using ForegroundHook = UniqueHandle<WinEventHook, UnhookThrough>;

struct ForegroundTracking {
  // The window system whose hook reports to OnForegroundChanged.
  WindowSystem* window_system = nullptr;
  // Removed with the tracking: at the process's exit, or when a test
  // starts afresh.
  ForegroundHook foreground_hook;
  // Never cleared; may name a window that has gone since.
  HWND last_external_window = nullptr;
};

// The one instance of the process.
ForegroundTracking& ProcessForegroundTracking();

// Installs the foreground hook unless it is already there; a failed attempt
// leaves it to the next caller.
void InstallForegroundHook(WindowSystem& window_system);

// The hook's callback: remembers `window` when it belongs to another process.
void OnForegroundChanged(WinEventHook hook, std::uint32_t event, HWND window, std::int32_t object_id,
                         std::int32_t child_id, std::uint32_t event_thread, std::uint32_t event_time) noexcept;

// The process id of `window`, 0 when the window system cannot tell.
std::uint32_t ProcessIdOfWindow(WindowSystem& window_system, HWND window);

}  // namespace kestro

#endif  // KESTRO_SERVICES_FOREGROUND_TRACKING_H_
