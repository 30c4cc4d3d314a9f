#include "window_class.h"

#include "kestro/platform/diagnostics.h"

namespace kestro {

namespace {

// Both constant-initialised and trivially destroyed, so a window torn down
// during static destruction still finds them.
std::int32_t live_window_count = 0;
bool window_class_registered = false;

}  // namespace

void CountWindowCreated() {
  ++live_window_count;
}
void CountWindowDestroyed() {
  --live_window_count;
}
std::int32_t LiveWindowCount() {
  return live_window_count;
}

void EnsureWindowClassRegistered(WNDPROC procedure) {
  if (window_class_registered) return;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = procedure;
  window_class.cbClsExtra = 0;
  window_class.cbWndExtra = 0;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kAppIconResourceId));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = nullptr;
  window_class.lpszMenuName = nullptr;
  window_class.lpszClassName = kWindowClassName;
  if (RegisterClassW(&window_class) == 0) ReportPlatformFailure("RegisterClassW", GetLastError());
  window_class_registered = true;
}

void UnregisterWindowClassIfUnused() {
  if (live_window_count != 0) return;
  // The instance the class was registered with, as the system documents it,
  // rather than relying on a null instance being taken for the executable.
  UnregisterClassW(kWindowClassName, GetModuleHandleW(nullptr));
  window_class_registered = false;
}

bool WindowClassRegistered() {
  return window_class_registered;
}

}  // namespace kestro
