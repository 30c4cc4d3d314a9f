// A window of class "KeyRecorder" with an edit control that takes the
// keyboard focus. For each Ctrl+V that reaches it, it writes one line on
// standard error: "V" and which modifiers were down, as the window saw
// them ("V ctrl shift", "V ctrl"). Runs until it is killed.
#include <windows.h>
#include <stdio.h>

static int Down(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_SETFOCUS) {
    SetFocus(GetWindow(window, GW_CHILD));
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, w, l);
}

int wmain(void) {
  WNDCLASSW window_class = {0};
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = GetModuleHandleW(NULL);
  window_class.lpszClassName = L"KeyRecorder";
  RegisterClassW(&window_class);
  HWND window = CreateWindowW(L"KeyRecorder", L"KeyRecorder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, NULL,
                              NULL, window_class.hInstance, NULL);
  HWND edit =
      CreateWindowW(L"Edit", L"", WS_CHILD | WS_VISIBLE, 0, 0, 280, 100, window, NULL, window_class.hInstance, NULL);
  if (window == NULL || edit == NULL) return 2;
  SetFocus(edit);
  fputs("ready\n", stderr);
  fflush(stderr);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && message.wParam == 'V' && Down(VK_CONTROL)) {
      fprintf(stderr, "V%s%s%s%s\n", Down(VK_CONTROL) ? " ctrl" : "", Down(VK_SHIFT) ? " shift" : "",
              Down(VK_MENU) ? " alt" : "", Down(VK_LWIN) || Down(VK_RWIN) ? " win" : "");
      fflush(stderr);
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
