// Makes the first top-level window of a class the foreground window and
// writes the class of the foreground window afterwards to standard error.
// Exits 2 when there is no such window, 1 when it did not come to front.
// Usage: bring_to_front.exe CLASS
#include <windows.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  HWND window = FindWindowW(argv[1], NULL);
  if (window == NULL) return 2;
  SetForegroundWindow(window);
  HWND front = GetForegroundWindow();
  wchar_t name[256] = L"";
  if (front != NULL) GetClassNameW(front, name, 256);
  fprintf(stderr, "%ls\n", name);
  fflush(stderr);
  return front == window ? 0 : 1;
}
