// The library's standard output and error follow the process's standard
// handles: a stream whose descriptor has no handle (a windowed program
// started without a console, which opened one later) is pointed at the
// current standard handle. A stream that already writes somewhere is left
// alone, so a redirection is never undone.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform.h"

namespace standin::internal::platform {
namespace {

void Follow(FILE* stream, DWORD standard_handle) {
  std::fflush(stream);
  std::clearerr(stream);
  const int descriptor = _fileno(stream);
  if (descriptor < 0) return;
  const intptr_t current = _get_osfhandle(descriptor);
  if (current != -1 && current != -2) return;
  const HANDLE handle = GetStdHandle(standard_handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return;
  }
  const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_TEXT);
  if (opened < 0) {
    CloseHandle(copy);
    return;
  }
  _dup2(opened, descriptor);
  _close(opened);
}

}  // namespace

void ResyncOutputStreams() {
  Follow(stdout, STD_OUTPUT_HANDLE);
  Follow(stderr, STD_ERROR_HANDLE);
}

}  // namespace standin::internal::platform
