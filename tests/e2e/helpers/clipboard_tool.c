// Reads or writes the clipboard from a process of its own, as another
// program would.
// Usage: clipboard_tool.exe list
//          writes one line per format on standard error: its number, its
//          registered name (empty for a predefined one) and its data in
//          hexadecimal (empty when it is not a memory block), tab-separated.
//        clipboard_tool.exe put TEXT HTML
//          replaces the clipboard's contents with TEXT as CF_UNICODETEXT and
//          HTML under the registered "HTML Format".
// Exits 2 when the clipboard cannot be opened, 3 when a write fails.
#include <windows.h>
#include <stdio.h>
#include <string.h>

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

static int Put(const wchar_t* text, const wchar_t* html) {
  UINT html_format = RegisterClipboardFormatW(L"HTML Format");
  char html_bytes[1024];
  int html_length = WideCharToMultiByte(CP_UTF8, 0, html, -1, html_bytes, sizeof(html_bytes), NULL, NULL);
  if (html_format == 0 || html_length <= 0 || !EmptyClipboard()) return 3;
  int placed = Place(CF_UNICODETEXT, text, (wcslen(text) + 1) * sizeof(wchar_t)) &&
               Place(html_format, html_bytes, (size_t)html_length);
  return placed ? 0 : 3;
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

int wmain(int argc, wchar_t** argv) {
  if (!OpenClipboard(NULL)) return 2;
  int result = 0;
  if (argc == 4 && wcscmp(argv[1], L"put") == 0) {
    result = Put(argv[2], argv[3]);
  } else {
    List();
  }
  CloseClipboard();
  return result;
}
