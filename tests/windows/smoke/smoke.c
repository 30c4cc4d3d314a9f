// A tiny GUI program that proves the Wine test bed: it opens a window with a
// caption, optionally puts a text on the clipboard, reports on standard error
// and exits with the code it was given once STAY_MS have passed.
// Usage: smoke.exe EXIT_CODE [STAY_MS [CLIPBOARD_TEXT]]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static const wchar_t kCaption[] = L"kestro test bed";

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      FillRect(dc, &area, (HBRUSH)GetStockObject(WHITE_BRUSH));
      DrawTextW(dc, kCaption, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The clipboard takes over the memory only when SetClipboardData succeeds.
static int PutOnClipboard(HWND owner, const wchar_t* text) {
  size_t size = (wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == NULL) return 0;
  memcpy(GlobalLock(memory), text, size);
  GlobalUnlock(memory);
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return 0;
  }
  EmptyClipboard();
  int taken = SetClipboardData(CF_UNICODETEXT, memory) != NULL;
  CloseClipboard();
  if (!taken) GlobalFree(memory);
  return taken;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
  (void)previous;
  (void)command_line;
  (void)show;
  if (__argc < 2) {
    fprintf(stderr, "usage: smoke EXIT_CODE [STAY_MS [CLIPBOARD_TEXT]]\n");
    return 2;
  }
  int exit_code = _wtoi(__wargv[1]);
  UINT stay_ms = __argc > 2 ? (UINT)_wtoi(__wargv[2]) : 0;

  WNDCLASSW window_class;
  memset(&window_class, 0, sizeof window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  window_class.lpszClassName = L"KestroSmoke";
  RegisterClassW(&window_class);
  HWND window =
      CreateWindowExW(0, L"KestroSmoke", kCaption, WS_OVERLAPPEDWINDOW, 100, 100, 480, 240, NULL, NULL, instance, NULL);
  if (window == NULL) {
    fprintf(stderr, "smoke: CreateWindowEx failed\n");
    return 3;
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  if (__argc > 3 && !PutOnClipboard(window, __wargv[3])) fprintf(stderr, "smoke: clipboard refused the text\n");
  fprintf(stderr, "smoke: window up\n");
  fflush(stderr);

  SetTimer(window, 1, stay_ms, NULL);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  fprintf(stderr, "smoke: exiting with %d\n", exit_code);
  return exit_code;
}
