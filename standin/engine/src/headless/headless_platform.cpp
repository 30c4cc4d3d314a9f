// No window system: a view's "window" is a distinct, never dereferenced,
// non-null value, and there is no top-level window to describe or act on.
#include <cstdint>

#include "platform.h"

namespace standin::internal::platform {

void AdoptPlatformThread() {}

// Nothing waits for the platform thread here.
void InterruptPlatformWaits(bool) {}

HWND CreateViewWindow(EngineId engine, int, int) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000 + 0x100 * engine));
}

void DestroyViewWindow(HWND) {}

void TrafficChanged() {}

UINT MonitorDpi(HMONITOR) {
  return 96;
}

void ResyncOutputStreams() {}

std::optional<TopLevelWindowState> DescribeTopLevelWindow(HWND) {
  return std::nullopt;
}

bool RunWindowAction(HWND, const WindowAction&) {
  return false;
}

// A native test process must survive its own tests.
bool CrashProcess(uint8_t) { return false; }

std::optional<std::filesystem::path> ExecutableFolder() {
  return std::nullopt;
}

}  // namespace standin::internal::platform
