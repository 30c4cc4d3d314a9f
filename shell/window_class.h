// The window class that every top-level window of the program shares, and
// the count of live window objects that decides when it goes away.
// Main thread only: nothing here is locked.
#ifndef KESTRO_SHELL_WINDOW_CLASS_H_
#define KESTRO_SHELL_WINDOW_CLASS_H_

#include <windows.h>

#include <cstdint>

namespace kestro {

constexpr wchar_t kWindowClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";
// The executable's icon group.
constexpr int kAppIconResourceId = 101;

void CountWindowCreated();
void CountWindowDestroyed();
std::int32_t LiveWindowCount();

// Registers the class with `procedure` unless this process did already.
// A failed registration is reported and not retried: the flag is set
// either way.
void EnsureWindowClassRegistered(WNDPROC procedure);
// Unregisters the class when no window object is alive any more.
void UnregisterWindowClassIfUnused();
bool WindowClassRegistered();

}  // namespace kestro

#endif  // KESTRO_SHELL_WINDOW_CLASS_H_
