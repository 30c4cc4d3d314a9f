#include "win32_window.h"

#include <dwmapi.h>

#include "kestro/platform/diagnostics.h"
#include "kestro/platform/system_function.h"
#include "monitor_dpi.h"
#include "window_class.h"

namespace kestro {

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kLightThemeValue[] = L"AppsUseLightTheme";
// Named by number: older SDK headers lack both.
constexpr DWORD kDwmUseImmersiveDarkMode = 20;
constexpr DWORD kDwmWindowCornerPreference = 33;
constexpr DWORD kDwmCornerRound = 2;

// Window captions and borders follow the monitor's DPI where the system
// offers it (Windows 10 1607 and later); elsewhere nothing happens.
void EnableNonClientDpiScalingIfAvailable(HWND window) {
  static const auto enable = FindSystemFunction<BOOL WINAPI(HWND)>(L"user32.dll", "EnableNonClientDpiScaling");
  if (enable != nullptr) enable(window);
}

std::int32_t Scale(std::int32_t logical, double scale_factor) {
  return static_cast<std::int32_t>(static_cast<double>(logical) * scale_factor);
}

}  // namespace

Win32Window::Win32Window() {
  CountWindowCreated();
}

Win32Window::~Win32Window() {
  CountWindowDestroyed();
  Teardown();
}

bool Win32Window::OpenWindow(const std::wstring& title, const Point& origin, const Size& size) {
  Teardown();
  EnsureWindowClassRegistered(WindowProcedure);

  const POINT target_point{static_cast<LONG>(origin.x), static_cast<LONG>(origin.y)};
  const HMONITOR monitor = MonitorFromPoint(target_point, MONITOR_DEFAULTTONEAREST);
  const double scale_factor = MonitorDpi(monitor) / 96.0;

  const HWND window =
      CreateWindowExW(0, kWindowClassName, title.c_str(), WS_POPUP | WS_THICKFRAME, Scale(origin.x, scale_factor),
                      Scale(origin.y, scale_factor), Scale(size.width, scale_factor), Scale(size.height, scale_factor),
                      nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (window == nullptr) {
    ReportPlatformFailure("CreateWindowExW", GetLastError());
    return false;
  }
  ApplySystemTheme(window);
  return OnCreate();
}

bool Win32Window::MakeVisible() {
  return ShowWindow(window_.Get(), SW_SHOWNORMAL) != 0;
}

void Win32Window::AttachContent(HWND content) {
  content_handle_ = content;
  SetParent(content, window_.Get());
  const RECT frame = ClientArea();
  MoveWindow(content, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, TRUE);
  SetFocus(content);
}

RECT Win32Window::ClientArea() const {
  RECT frame{};
  GetClientRect(window_.Get(), &frame);
  return frame;
}

void Win32Window::SetQuitWhenClosed(bool quit_when_closed) {
  quit_when_closed_ = quit_when_closed;
}

void Win32Window::Teardown() {
  OnTeardown();
  // The handle is given up before DestroyWindow runs, so the WM_DESTROY
  // this sends finds no window left to destroy.
  window_.Reset();
  UnregisterWindowClassIfUnused();
}

LRESULT CALLBACK Win32Window::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  try {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      auto* self = static_cast<Win32Window*>(create->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      EnableNonClientDpiScalingIfAvailable(window);
      if (self != nullptr) self->window_.Reset(window);
      return DefWindowProcW(window, message, wparam, lparam);
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // The window's last message: the object no longer belongs to it.
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (self != nullptr) return self->HandleMessage(window, message, wparam, lparam);
  } catch (...) {
    ReportEscapedException("window message handling failed");
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT Win32Window::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      // Given up first, so that Teardown does not destroy the window being destroyed.
      static_cast<void>(window_.Release());
      Teardown();
      if (quit_when_closed_) PostQuitMessage(0);
      return 0;
    case WM_SIZE: {
      const RECT frame = ClientArea();
      if (content_handle_ != nullptr) {
        MoveWindow(content_handle_, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, TRUE);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (content_handle_ != nullptr) SetFocus(content_handle_);
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DWMCOLORIZATIONCOLORCHANGED:
      ApplySystemTheme(window);
      return 0;
    default:
      // The window the message is for: after WM_DESTROY the stored handle is
      // already null, and WM_NCDESTROY still needs default processing.
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool Win32Window::OnCreate() {
  return true;
}

void Win32Window::OnTeardown() {}

void Win32Window::ApplySystemTheme(HWND window) {
  DWORD light_theme = 0;
  DWORD size = sizeof(light_theme);
  if (RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, kLightThemeValue, RRF_RT_REG_DWORD, nullptr, &light_theme,
                   &size) == ERROR_SUCCESS) {
    const BOOL dark_mode = light_theme == 0 ? TRUE : FALSE;
    DwmSetWindowAttribute(window, kDwmUseImmersiveDarkMode, &dark_mode, sizeof(dark_mode));
  }
  const DWORD corners = kDwmCornerRound;
  DwmSetWindowAttribute(window, kDwmWindowCornerPreference, &corners, sizeof(corners));
}

}  // namespace kestro
