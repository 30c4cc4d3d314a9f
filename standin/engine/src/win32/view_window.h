// The views' child windows: each paints the app's title and the recent
// channel traffic, and its first paint renders the engine's first frame.
#ifndef STANDIN_ENGINE_WIN32_VIEW_WINDOW_H_
#define STANDIN_ENGINE_WIN32_VIEW_WINDOW_H_

#include <windows.h>

namespace standin::internal::win32 {

// True while `window` is a live view window of this library.
bool IsViewWindow(HWND window);

// Invalidates every view, so each repaints from its own message loop.
void RepaintViews();

}  // namespace standin::internal::win32

#endif  // STANDIN_ENGINE_WIN32_VIEW_WINDOW_H_
