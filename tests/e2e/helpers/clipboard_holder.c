// Opens the clipboard and keeps it open until it is killed, so that every
// other program's OpenClipboard fails meanwhile. Writes "holding" on
// standard error once it holds it; exits 2 when it cannot open it.
#include <windows.h>
#include <stdio.h>

int wmain(void) {
  if (!OpenClipboard(NULL)) return 2;
  fputs("holding\n", stderr);
  fflush(stderr);
  for (;;) Sleep(1000);
}
