// Base of the program's top-level window: a frameless, resizable native
// window of the shared class, created hidden at a DPI-scaled position and
// size, following the user's app theme, with one child content window that
// fills its client area. Main thread only.
#ifndef KESTRO_SHELL_WIN32_WINDOW_H_
#define KESTRO_SHELL_WIN32_WINDOW_H_

#include <windows.h>

#include <cstdint>
#include <string>

#include "kestro/platform/unique_handle.h"

namespace kestro {

class Win32Window {
 public:
  // In 96-DPI logical pixels.
  struct Point {
    std::int32_t x;
    std::int32_t y;
  };
  struct Size {
    std::int32_t width;
    std::int32_t height;
  };

  Win32Window();
  // Destroys a native window still open, and unregisters the class when
  // this was the last window object.
  virtual ~Win32Window();

  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Replaces any earlier native window of this object. True when the window
  // was created and OnCreate succeeded; the window stays hidden.
  bool OpenWindow(const std::wstring& title, const Point& origin, const Size& size);
  bool MakeVisible();
  // Makes `content` the child that fills the client area and has the focus.
  void AttachContent(HWND content);
  RECT ClientArea() const;
  // When set, the window's destruction ends the message loop.
  void SetQuitWhenClosed(bool quit_when_closed);
  // Destroys the native window, if any.
  void Teardown();

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  // Dark mode when the user's apps use the dark theme; rounded corners.
  static void ApplySystemTheme(HWND window);

 protected:
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Runs once the native window exists; false fails OpenWindow.
  virtual bool OnCreate();
  // Runs when the native window goes away.
  virtual void OnTeardown();

 private:
  bool quit_when_closed_ = false;
  UniqueHandle<HWND, CloseWith<DestroyWindow>> window_;
  HWND content_handle_ = nullptr;
};

}  // namespace kestro

#endif  // KESTRO_SHELL_WIN32_WINDOW_H_
