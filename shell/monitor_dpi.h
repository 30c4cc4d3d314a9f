// The DPI of a monitor, as the engine library reports it. A seam of its
// own so that the window can be tested without the engine library.
#ifndef KESTRO_SHELL_MONITOR_DPI_H_
#define KESTRO_SHELL_MONITOR_DPI_H_

#include <windows.h>

namespace kestro {

UINT MonitorDpi(HMONITOR monitor);

}  // namespace kestro

#endif  // KESTRO_SHELL_MONITOR_DPI_H_
