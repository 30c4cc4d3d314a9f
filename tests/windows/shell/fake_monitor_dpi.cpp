#include "fake_monitor_dpi.h"

#include "monitor_dpi.h"

namespace kestro {

namespace {
UINT fake_dpi = 96;
}  // namespace

void testing::SetMonitorDpi(UINT dpi) {
  fake_dpi = dpi;
}

UINT MonitorDpi(HMONITOR) {
  return fake_dpi;
}

}  // namespace kestro
