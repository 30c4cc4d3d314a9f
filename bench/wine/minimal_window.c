// The start-up baseline: the least a Win32 program does to show a window of
// kestro.exe's size and style (frameless, sizing border, 1280 x 720 at
// 10, 10), shown at once and painted in one fill of kestro's background
// colour, so that the window watcher sees both programs' first frames the
// same way. Runs until it is closed or killed.
// Usage: minimal_window.exe
#include <windows.h>

static const wchar_t kClassName[] = L"MINIMAL_WINDOW";

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      HBRUSH background = CreateSolidBrush(RGB(24, 28, 38));
      FillRect(dc, &area, background);
      DeleteObject(background);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, wchar_t* command_line, int show) {
  (void)previous;
  (void)command_line;
  (void)show;
  WNDCLASSW window_class = {0};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  window_class.lpszClassName = kClassName;
  if (!RegisterClassW(&window_class)) return 1;
  HWND window = CreateWindowExW(0, kClassName, L"minimal window", WS_POPUP | WS_THICKFRAME, 10, 10, 1280, 720, NULL,
                                NULL, instance, NULL);
  if (window == NULL) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
