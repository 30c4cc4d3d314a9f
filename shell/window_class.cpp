#include "window_class.h"

namespace kestro {

namespace {

std::int32_t live_window_count = 0;

struct WindowClassRecord {
  bool registered = false;
};

// Created on first use and never freed, so that a window torn down during
// static destruction still finds it.
WindowClassRecord& Record() {
  static WindowClassRecord* record = new WindowClassRecord();
  return *record;
}

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
  WindowClassRecord& record = Record();
  if (record.registered) return;
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
  RegisterClassW(&window_class);
  record.registered = true;
}

void UnregisterWindowClassIfUnused() {
  if (live_window_count != 0) return;
  // The instance the class was registered with, as the system documents it,
  // rather than relying on a null instance being taken for the executable.
  UnregisterClassW(kWindowClassName, GetModuleHandleW(nullptr));
  Record().registered = false;
}

bool WindowClassRegistered() {
  return Record().registered;
}

}  // namespace kestro
