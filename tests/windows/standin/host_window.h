// What the tests play of the host: a hidden, resizable top-level window
// whose content is an engine's view, that offers every message to the view
// controller first and reloads fonts on WM_FONTCHANGE, as the shell does.
#ifndef KESTRO_TESTS_WINDOWS_STANDIN_HOST_WINDOW_H_
#define KESTRO_TESTS_WINDOWS_STANDIN_HOST_WINDOW_H_

#include <windows.h>

#include "flutter/engine_library.h"

namespace standin::testing {

// A fresh engine taken over by a view controller of the given size.
struct RunningEngine {
  FlutterDesktopEngineRef engine = nullptr;
  FlutterDesktopViewControllerRef controller = nullptr;
  HWND view = nullptr;
};
FlutterDesktopEngineRef CreateEngine();
RunningEngine CreateRunningEngine(int width, int height);

class HostWindow {
 public:
  HostWindow(const wchar_t* title, int width, int height);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND handle() const { return window_; }
  // Makes the view the content, filling the client area; the window
  // destroys its view controller when it goes.
  void Attach(const RunningEngine& running);
  void Show() { ShowWindow(window_, SW_SHOWNORMAL); }

  // Messages that the view controller left to the window.
  int closes = 0;
  int font_changes = 0;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void FitContent();

  HWND window_ = nullptr;
  RunningEngine content_;
};

}  // namespace standin::testing

#endif  // KESTRO_TESTS_WINDOWS_STANDIN_HOST_WINDOW_H_
