// The monitor DPI the window sees in these tests, in place of the engine library's.
#ifndef KESTRO_TESTS_WINDOWS_FAKE_MONITOR_DPI_H_
#define KESTRO_TESTS_WINDOWS_FAKE_MONITOR_DPI_H_

#include <windows.h>

namespace kestro::testing {

// 96 until set.
void SetMonitorDpi(UINT dpi);

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_WINDOWS_FAKE_MONITOR_DPI_H_
