#include "win32/view_window.h"

#include <exception>
#include <mutex>
#include <set>
#include <string>

#include "core.h"
#include "diagnostics.h"
#include "platform.h"
#include "win32/platform_thread.h"
#include "win32/view_painting.h"

namespace standin::internal::win32 {
namespace {

constexpr wchar_t kClassName[] = L"KestroStandinView";

std::mutex views_mutex;
std::set<HWND> views;

EngineId EngineOf(HWND window) {
  return static_cast<EngineId>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Paint(HWND window) {
  PAINTSTRUCT paint;
  const HDC context = BeginPaint(window, &paint);
  if (context == nullptr) return;
  RECT area;
  GetClientRect(window, &area);
  const EngineId engine = EngineOf(window);
  PaintView(context, area, engine, platform::MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)),
            Core::Instance().RecentTraffic());
  EndPaint(window, &paint);
  Core::Instance().ViewPainted(engine);
}

LRESULT HandleViewMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
      std::lock_guard<std::mutex> guard(views_mutex);
      views.insert(window);
      break;
    }
    case WM_NCDESTROY: {
      std::lock_guard<std::mutex> guard(views_mutex);
      views.erase(window);
      break;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_SIZE:
      // The size line and the traffic's clipping change with it.
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_CLOSE:
      // Sent by DestroyViewWindow from a thread that cannot destroy it.
      DestroyWindow(window);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK ViewWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    return HandleViewMessage(window, message, wparam, lparam);
  } catch (const std::exception& error) {
    Diagnose(std::string("view window: message ") + std::to_string(message) + " failed: " + error.what());
  } catch (...) {
    Diagnose("view window: message " + std::to_string(message) + " failed");
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void RegisterViewClass() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    WNDCLASSW window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = ViewWindowProcedure;
    window_class.hInstance = LibraryInstance();
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpszClassName = kClassName;
    RegisterClassW(&window_class);
  });
}

}  // namespace

bool IsViewWindow(HWND window) {
  std::lock_guard<std::mutex> guard(views_mutex);
  return views.count(window) > 0 && IsWindow(window);
}

void RepaintViews() {
  std::set<HWND> all;
  {
    std::lock_guard<std::mutex> guard(views_mutex);
    all = views;
  }
  for (HWND view : all) InvalidateRect(view, nullptr, FALSE);
}

}  // namespace standin::internal::win32

namespace standin::internal::platform {

HWND CreateViewWindow(EngineId engine, int width, int height) {
  win32::RegisterViewClass();
  // A child from the start, parked under the platform thread's message-only
  // window until the host makes it the content of its own window.
  const HWND view = CreateWindowExW(0, win32::kClassName, L"kestro view", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                    width, height, win32::PlatformWindow(), nullptr, win32::LibraryInstance(),
                                    reinterpret_cast<void*>(static_cast<uintptr_t>(engine)));
  if (view == nullptr) Diagnose("CreateWindowExW for the view failed (error " + std::to_string(GetLastError()) + ")");
  return view;
}

void DestroyViewWindow(HWND view) {
  if (!win32::IsViewWindow(view)) return;  // destroyed with its parent already
  if (GetWindowThreadProcessId(view, nullptr) == GetCurrentThreadId()) {
    DestroyWindow(view);
  } else {
    PostMessageW(view, WM_CLOSE, 0, 0);
  }
}

}  // namespace standin::internal::platform
