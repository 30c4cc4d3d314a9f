#include "host_window.h"

namespace standin::testing {
namespace {

constexpr wchar_t kClassName[] = L"KestroStandinTestHost";

}  // namespace

FlutterDesktopEngineRef CreateEngine() {
  FlutterDesktopEngineProperties properties{};
  properties.assets_path = L"data\\flutter_assets";
  properties.icu_data_path = L"data\\icudtl.dat";
  properties.aot_library_path = L"data\\app.so";
  properties.entrypoint = "";
  return FlutterDesktopEngineCreate(&properties);
}

RunningEngine CreateRunningEngine(int width, int height) {
  RunningEngine running;
  running.engine = CreateEngine();
  running.controller = FlutterDesktopViewControllerCreate(width, height, running.engine);
  if (running.controller != nullptr) {
    running.view = FlutterDesktopViewGetHWND(FlutterDesktopViewControllerGetView(running.controller));
  }
  return running;
}

HostWindow::HostWindow(const wchar_t* title, int width, int height) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kClassName;
  RegisterClassW(&window_class);  // fails harmlessly once registered
  window_ = CreateWindowExW(0, kClassName, title, WS_POPUP | WS_THICKFRAME, 20, 20, width, height, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
}

HostWindow::~HostWindow() {
  // As the shell does: the content is forgotten before its engine goes.
  const RunningEngine content = content_;
  content_ = {};
  if (content.controller != nullptr) FlutterDesktopViewControllerDestroy(content.controller);
  if (window_ != nullptr) DestroyWindow(window_);
}

void HostWindow::Attach(const RunningEngine& running) {
  content_ = running;
  SetParent(running.view, window_);
  FitContent();
}

void HostWindow::FitContent() {
  RECT client;
  GetClientRect(window_, &client);
  MoveWindow(content_.view, client.left, client.top, client.right - client.left, client.bottom - client.top, TRUE);
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (host == nullptr || host->window_ != window) return DefWindowProcW(window, message, wparam, lparam);
  return host->Handle(window, message, wparam, lparam);
}

LRESULT HostWindow::Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (content_.controller != nullptr) {
    LRESULT result = 0;
    if (FlutterDesktopViewControllerHandleTopLevelWindowProc(content_.controller, window_, message, wparam, lparam,
                                                             &result)) {
      return result;
    }
  }
  switch (message) {
    case WM_CLOSE:
      ++closes;  // the tests decide when the window goes
      return 0;
    case WM_FONTCHANGE:
      ++font_changes;
      if (content_.engine != nullptr) FlutterDesktopEngineReloadSystemFonts(content_.engine);
      break;
    case WM_SIZE:
      if (content_.view != nullptr) FitContent();
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace standin::testing
