// Writes the text of the "Edit" child of the first top-level window of a
// class (default "Notepad") to standard error as UTF-8, with no line end.
// Exits 2 when there is no such window, 3 when it has no edit control.
// Usage: edit_text.exe [CLASS]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv) {
  HWND top = FindWindowW(argc > 1 ? argv[1] : L"Notepad", NULL);
  if (top == NULL) return 2;
  HWND edit = FindWindowExW(top, NULL, L"Edit", NULL);
  if (edit == NULL) return 3;
  // WM_GETTEXT crosses into the other process; the length comes first so
  // that a long text is never cut.
  LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  wchar_t* text = calloc((size_t)length + 1, sizeof(wchar_t));
  if (text == NULL) return 4;
  LRESULT copied = SendMessageW(edit, WM_GETTEXT, (WPARAM)length + 1, (LPARAM)text);
  int size = WideCharToMultiByte(CP_UTF8, 0, text, (int)copied, NULL, 0, NULL, NULL);
  char* utf8 = malloc((size_t)size + 1);
  if (utf8 == NULL) return 4;
  WideCharToMultiByte(CP_UTF8, 0, text, (int)copied, utf8, size, NULL, NULL);
  fwrite(utf8, 1, (size_t)size, stderr);
  fflush(stderr);
  free(utf8);
  free(text);
  return 0;
}
