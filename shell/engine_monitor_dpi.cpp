#include "flutter/engine_library.h"
#include "monitor_dpi.h"

namespace kestro {

UINT MonitorDpi(HMONITOR monitor) {
  return FlutterDesktopGetDpiForMonitor(monitor);
}

}  // namespace kestro
