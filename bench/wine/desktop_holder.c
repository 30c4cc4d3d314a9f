// Keeps the Wine bed's desktop up while start-ups are timed. Wine starts its
// desktop process (explorer.exe) with the first program of a session that
// uses windows, and ends it when the last one goes; without a holder, every
// start-up would include the desktop's, which a program on a running
// system never pays. Uses the desktop, shows nothing, and exits when its
// standard input ends.
// Usage: desktop_holder.exe
#include <windows.h>
#include <stdio.h>

int wmain(void) {
  if (GetDesktopWindow() == NULL) {
    fprintf(stderr, "GetDesktopWindow failed (error %lu)\n", GetLastError());
    return 1;
  }
  while (getchar() != EOF) {
  }
  return 0;
}
