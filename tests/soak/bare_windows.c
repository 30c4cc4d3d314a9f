// What one window costs Wine itself, for the window soak to compare kestro.exe
// with: each line read from standard input opens a frameless top-level
// window with a painted child view (the classes and styles kestro.exe and its
// engine use), keeps it up for a moment, closes it and answers "closed".
// Exits when standard input ends.
// Usage: bare_windows.exe
#include <windows.h>
#include <stdio.h>

static const wchar_t kTopLevelClass[] = L"BARE_TOP_LEVEL";
static const wchar_t kViewClass[] = L"BARE_VIEW";
static const DWORD kUpMilliseconds = 300;

static LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    HBRUSH background = CreateSolidBrush(RGB(32, 32, 40));
    FillRect(dc, &area, background);
    DeleteObject(background);
    HFONT font = CreateFontW(40, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Segoe UI");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 24, 16, L"bare", 4);
    SelectObject(dc, previous);
    DeleteObject(font);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

static void Register(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSW window_class = {0};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleW(NULL);
  window_class.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  window_class.lpszClassName = name;
  if (!RegisterClassW(&window_class)) fprintf(stderr, "RegisterClassW failed (error %lu)\n", GetLastError());
}

static void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
  }
}

static int OpenUseAndClose(HWND parking) {
  HWND top = CreateWindowExW(0, kTopLevelClass, L"bare window", WS_POPUP | WS_THICKFRAME, 100, 100, 800, 600, NULL,
                             NULL, GetModuleHandleW(NULL), NULL);
  if (top == NULL) {
    fprintf(stderr, "CreateWindowExW (top level) failed (error %lu)\n", GetLastError());
    return 0;
  }
  // Made under a message-only window and moved into the top-level window,
  // as the engine's view is.
  HWND view = CreateWindowExW(0, kViewClass, L"bare view", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 800, 600,
                              parking, NULL, GetModuleHandleW(NULL), NULL);
  if (view == NULL) fprintf(stderr, "CreateWindowExW (view) failed (error %lu)\n", GetLastError());
  if (view != NULL) SetParent(view, top);
  ShowWindow(top, SW_SHOWNORMAL);
  Pump(kUpMilliseconds);
  DestroyWindow(top);
  Pump(10);
  return 1;
}

int wmain(void) {
  Register(kTopLevelClass, DefWindowProcW);
  Register(kViewClass, ViewProc);
  HWND parking = CreateWindowExW(0, kViewClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, GetModuleHandleW(NULL), NULL);
  char line[64];
  while (fgets(line, sizeof line, stdin) != NULL) {
    printf("%s\n", OpenUseAndClose(parking) ? "closed" : "failed");
    fflush(stdout);
  }
  return 0;
}
