#include "secondary_window.h"

#include <map>
#include <utility>

#include "flutter/engine_project.h"

namespace standin_plugin {
namespace {

const wchar_t kWindowClass[] = L"KestroStandinSecondaryWindow";
const int kWidth = 640;
const int kHeight = 480;

// Never destroyed: a controller torn down while the process unloads its
// libraries would call into an engine library that may already be gone.
std::map<int64_t, SecondaryWindow>& Windows() {
  static auto* windows = new std::map<int64_t, SecondaryWindow>();
  return *windows;
}

SecondaryWindow* FindByWindow(HWND window) {
  for (auto& entry : Windows()) {
    if (entry.second.window == window) return &entry.second;
  }
  return nullptr;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  SecondaryWindow* secondary = FindByWindow(window);
  if (secondary != nullptr && message == WM_SIZE && secondary->controller && secondary->controller->View()) {
    MoveWindow(secondary->controller->View()->NativeWindow(), 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
    return 0;
  }
  // Closing by the user goes the same way as "close_window", so the view is
  // never destroyed under a live controller.
  if (secondary != nullptr && message == WM_CLOSE) {
    CloseSecondaryWindow(secondary->number);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = WindowProcedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kWindowClass;
    return RegisterClassExW(&window_class) != 0;
  }();
  return registered;
}

}  // namespace

SecondaryWindow* OpenSecondaryWindow(bool with_view) {
  static int64_t last_number = 0;
  if (!RegisterWindowClass()) return nullptr;
  const HWND window = CreateWindowExW(0, kWindowClass, L"kestro secondary window", WS_OVERLAPPEDWINDOW, 40, 40, kWidth,
                                      kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  RECT client{};
  GetClientRect(window, &client);
  // A negative size is refused by the engine library: the controller then
  // has its engine wrapper and no view.
  const int width = with_view ? client.right : -1;
  const int height = with_view ? client.bottom : -1;
  SecondaryWindow secondary;
  secondary.number = ++last_number;
  secondary.window = window;
  try {
    secondary.controller =
        std::make_unique<flutter::FlutterViewController>(width, height, flutter::EngineProject(L"data"));
  } catch (...) {
    DestroyWindow(window);
    throw;
  }
  if (flutter::FlutterView* view = secondary.controller->View()) {
    const HWND view_window = view->NativeWindow();
    SetParent(view_window, window);
    MoveWindow(view_window, 0, 0, client.right, client.bottom, TRUE);
  }
  SecondaryWindow& stored = Windows()[secondary.number] = std::move(secondary);
  ShowWindow(window, SW_SHOWNORMAL);
  return &stored;
}

bool CloseSecondaryWindow(int64_t number) {
  auto found = Windows().find(number);
  if (found == Windows().end()) return false;
  SecondaryWindow closing = std::move(found->second);
  Windows().erase(found);
  closing.controller.reset();
  DestroyWindow(closing.window);
  return true;
}

}  // namespace standin_plugin
