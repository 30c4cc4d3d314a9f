// Reads, writes, owns or polls the clipboard from a process of its own, as
// another program would.
// Usage: clipboard_tool.exe list
//          writes one line per format on standard error: its number, its
//          registered name (empty for a predefined one) and its data in
//          hexadecimal (empty when it is not a memory block), tab-separated.
//        clipboard_tool.exe put TEXT HTML [dib]
//          replaces the clipboard's contents with TEXT as CF_UNICODETEXT and
//          HTML under the registered "HTML Format"; with "dib", also a 1x1
//          CF_DIB.
//        clipboard_tool.exe lazy MS TEXT
//          owns the clipboard with TEXT and "HTML Format" offered for delayed
//          rendering; each WM_RENDERFORMAT takes MS milliseconds (-1: it never
//          returns). Writes "owning", then "render N" per request; runs until
//          killed.
//        clipboard_tool.exe poll OPEN_MS PERIOD_MS
//          opens the clipboard for OPEN_MS of every PERIOD_MS, as clipboard
//          managers do; writes "polling" once it has, runs until killed.
// Exits 2 when the clipboard cannot be opened within a second, 3 when a
// write fails.
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void Say(const char* line) {
  fputs(line, stderr);
  fputc('\n', stderr);
  fflush(stderr);
}

static int Place(UINT format, const void* data, size_t bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == NULL) return 0;
  void* destination = GlobalLock(memory);
  if (destination == NULL) {
    GlobalFree(memory);
    return 0;
  }
  memcpy(destination, data, bytes);
  GlobalUnlock(memory);
  if (SetClipboardData(format, memory) != NULL) return 1;
  GlobalFree(memory);
  return 0;
}

static int PlaceText(const wchar_t* text) {
  return Place(CF_UNICODETEXT, text, (wcslen(text) + 1) * sizeof(wchar_t));
}

static int PlaceHtml(const wchar_t* html) {
  UINT html_format = RegisterClipboardFormatW(L"HTML Format");
  char bytes[1024];
  int length = WideCharToMultiByte(CP_UTF8, 0, html, -1, bytes, sizeof(bytes), NULL, NULL);
  return html_format != 0 && length > 0 && Place(html_format, bytes, (size_t)length);
}

// One red pixel, bottom-up, 32 bits.
static int PlaceDib(void) {
  struct {
    BITMAPINFOHEADER header;
    DWORD pixel;
  } dib = {{sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 4, 0, 0, 0, 0}, 0x00FF0000};
  return Place(CF_DIB, &dib, sizeof(dib));
}

static int Put(const wchar_t* text, const wchar_t* html, int with_dib) {
  if (!EmptyClipboard()) return 3;
  return PlaceText(text) && PlaceHtml(html) && (!with_dib || PlaceDib()) ? 0 : 3;
}

// Formats whose data is a GDI handle, not a memory block.
static int IsHandleFormat(UINT format) {
  return format == CF_BITMAP || format == CF_METAFILEPICT || format == CF_PALETTE || format == CF_ENHMETAFILE ||
         (format >= CF_PRIVATEFIRST && format <= CF_GDIOBJLAST);
}

static void List(void) {
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    char name[256] = "";
    GetClipboardFormatNameA(format, name, sizeof(name));
    fprintf(stderr, "%u\t%s\t", format, name);
    HANDLE data = IsHandleFormat(format) ? NULL : GetClipboardData(format);
    const unsigned char* bytes = data != NULL ? GlobalLock(data) : NULL;
    if (bytes != NULL) {
      for (SIZE_T i = 0, size = GlobalSize(data); i < size; ++i) fprintf(stderr, "%02x", bytes[i]);
      GlobalUnlock(data);
    }
    fputc('\n', stderr);
  }
  fflush(stderr);
}

static int render_ms = 0;
static const wchar_t* lazy_text = L"";

static LRESULT CALLBACK LazyOwner(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_RENDERFORMAT) {
    char line[32];
    snprintf(line, sizeof(line), "render %u", (unsigned)wparam);
    Say(line);
    if (render_ms < 0) {
      for (;;) Sleep(1000);
    }
    Sleep((DWORD)render_ms);
    if (wparam == CF_UNICODETEXT) {
      PlaceText(lazy_text);
    } else {
      PlaceHtml(lazy_text);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

static int Lazy(int milliseconds, const wchar_t* text) {
  render_ms = milliseconds;
  lazy_text = text;
  WNDCLASSW window_class = {0};
  window_class.lpfnWndProc = LazyOwner;
  window_class.hInstance = GetModuleHandleW(NULL);
  window_class.lpszClassName = L"LazyClipboardOwner";
  if (!RegisterClassW(&window_class)) return 3;
  HWND window = CreateWindowW(L"LazyClipboardOwner", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
  if (window == NULL || !OpenClipboard(window)) return 2;
  UINT html_format = RegisterClipboardFormatW(L"HTML Format");
  int offered = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, NULL) == NULL &&
                SetClipboardData(html_format, NULL) == NULL;
  CloseClipboard();
  if (!offered) return 3;
  Say("owning");
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

_Noreturn static void Poll(int open_ms, int period_ms) {
  int said = 0;
  for (;;) {
    if (OpenClipboard(NULL)) {
      if (!said) Say("polling");
      said = 1;
      Sleep((DWORD)open_ms);
      CloseClipboard();
    }
    Sleep((DWORD)(period_ms - open_ms));
  }
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && wcscmp(argv[1], L"lazy") == 0) return Lazy(_wtoi(argv[2]), argv[3]);
  if (argc == 4 && wcscmp(argv[1], L"poll") == 0) Poll(_wtoi(argv[2]), _wtoi(argv[3]));
  // Beside a poller the clipboard is busy now and then: try for a second.
  int opened = 0;
  for (int attempt = 0; attempt < 50 && !(opened = OpenClipboard(NULL)); ++attempt) Sleep(20);
  if (!opened) return 2;
  int result = 0;
  if ((argc == 4 || argc == 5) && wcscmp(argv[1], L"put") == 0) {
    result = Put(argv[2], argv[3], argc == 5 && wcscmp(argv[4], L"dib") == 0);
  } else {
    List();
  }
  CloseClipboard();
  return result;
}
