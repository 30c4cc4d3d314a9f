// A monitor's DPI: the shell's per-monitor answer where the system has it
// (Windows 8.1 and later), else the screen's.
#include <windows.h>

#include "kestro/platform/system_function.h"
#include "platform.h"

namespace standin::internal::platform {
namespace {

// MONITOR_DPI_TYPE's effective DPI, the one to scale by.
constexpr int kEffectiveDpi = 0;

UINT ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 96;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

UINT MonitorDpi(HMONITOR monitor) {
  static const auto get_dpi_for_monitor =
      kestro::FindSystemFunction<HRESULT WINAPI(HMONITOR, int, UINT*, UINT*)>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0;
  UINT y = 0;
  if (monitor != nullptr && get_dpi_for_monitor != nullptr &&
      SUCCEEDED(get_dpi_for_monitor(monitor, kEffectiveDpi, &x, &y)) && x != 0) {
    return x;
  }
  return ScreenDpi();
}

}  // namespace standin::internal::platform
