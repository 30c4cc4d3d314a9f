// The few window-system types that cross the engine library's interface.
// On Windows they are the system's own; elsewhere (the native build and its
// tests) they are stand-ins of the same size.
#ifndef FLUTTER_PLATFORM_TYPES_H_
#define FLUTTER_PLATFORM_TYPES_H_

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cstdint>
struct HWND__;
struct HMONITOR__;
using HWND = HWND__*;
using HMONITOR = HMONITOR__*;
using UINT = unsigned int;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
#endif

#endif  // FLUTTER_PLATFORM_TYPES_H_
