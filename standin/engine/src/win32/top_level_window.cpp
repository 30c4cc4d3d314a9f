// The top-level window that contains a view, as the UI port reports it and
// acts on it. Window work runs on the platform thread.
#include <windows.h>

#include <chrono>
#include <string>

#include "diagnostics.h"
#include "kestro/platform/system_function.h"
#include "kestro/platform/wide_text.h"
#include "platform.h"
#include "win32/platform_thread.h"
#include "win32/view_window.h"

namespace standin::internal::win32 {
namespace {

// Long enough for any message loop that is merely busy; a stuck one costs
// the state its window, not the peer its connection.
constexpr std::chrono::milliseconds kPlatformThreadPatience{2000};

// Null while the view is parked or gone.
HWND TopLevelOf(HWND view) {
  if (!IsViewWindow(view)) return nullptr;
  const HWND root = GetAncestor(view, GA_ROOT);
  if (root == nullptr || root == view || root == PlatformWindow()) return nullptr;
  return root;
}

platform::Rectangle FromRect(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

UINT DpiOf(HWND window) {
  // Windows 10 1607 and later.
  static const auto get_dpi_for_window =
      kestro::FindSystemFunction<UINT WINAPI(HWND)>(L"user32.dll", "GetDpiForWindow");
  if (get_dpi_for_window != nullptr) {
    if (const UINT dpi = get_dpi_for_window(window); dpi != 0) return dpi;
  }
  return platform::MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

std::optional<platform::TopLevelWindowState> Describe(HWND view) {
  const HWND root = TopLevelOf(view);
  if (root == nullptr) return std::nullopt;
  platform::TopLevelWindowState state;
  state.handle = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(root));
  state.visible = IsWindowVisible(root) != FALSE;
  state.show_state = IsIconic(root)   ? platform::ShowState::kMinimised
                     : IsZoomed(root) ? platform::ShowState::kMaximised
                                      : platform::ShowState::kNormal;
  state.style = static_cast<uint32_t>(GetWindowLongW(root, GWL_STYLE));
  state.extended_style = static_cast<uint32_t>(GetWindowLongW(root, GWL_EXSTYLE));
  RECT rect{};
  GetWindowRect(root, &rect);
  state.window = FromRect(rect);
  GetClientRect(root, &rect);
  state.client = FromRect(rect);
  GetWindowRect(view, &rect);
  // Screen to the root's client coordinates.
  MapWindowPoints(HWND_DESKTOP, root, reinterpret_cast<POINT*>(&rect), 2);
  state.view = FromRect(rect);
  std::wstring title(static_cast<size_t>(GetWindowTextLengthW(root)) + 1, L'\0');
  title.resize(static_cast<size_t>(GetWindowTextW(root, title.data(), static_cast<int>(title.size()))));
  state.title = kestro::WideToUtf8(title.c_str());
  state.dpi = DpiOf(root);
  return state;
}

}  // namespace

}  // namespace standin::internal::win32

namespace standin::internal::platform {

std::optional<TopLevelWindowState> DescribeTopLevelWindow(HWND view) {
  std::optional<TopLevelWindowState> state;
  if (!win32::RunOnPlatformThread([&] { state = win32::Describe(view); }, win32::kPlatformThreadPatience)) {
    Diagnose("the platform thread did not describe a window in time; left out");
  }
  return state;
}

bool RunWindowAction(HWND view, const WindowAction& action) {
  const HWND root = win32::TopLevelOf(view);
  if (root == nullptr) return false;
  switch (action.kind) {
    case WindowActionKind::kClose:
      return PostMessageW(root, WM_CLOSE, 0, 0) != FALSE;
    case WindowActionKind::kResize:
      if (action.width <= 0 || action.height <= 0) return false;
      return SetWindowPos(root, nullptr, 0, 0, action.width, action.height,
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
    case WindowActionKind::kFontChange:
      SendMessageW(root, WM_FONTCHANGE, 0, 0);
      return true;
    case WindowActionKind::kMinimise:
      ShowWindow(root, SW_MINIMIZE);
      return true;
    case WindowActionKind::kRestore:
      ShowWindow(root, SW_RESTORE);
      return true;
  }
  return false;
}

}  // namespace standin::internal::platform
