#include "open_clipboard.h"

#include <cstdint>

#include "kestro/platform/diagnostics.h"

namespace kestro {

namespace {
// Pauses before the second, third, ... try: 10 + 20 + 40 + 80 = 150 ms.
constexpr std::uint32_t kFirstPauseMs = 10;
}  // namespace

OpenClipboardScope::OpenClipboardScope(WindowSystem& window_system, HWND owner, int attempts)
    : window_system_(window_system) {
  std::uint32_t error = 0;
  std::uint32_t pause = kFirstPauseMs;
  for (int attempt = 1;; ++attempt) {
    open_ = window_system_.OpenClipboard(owner, &error);
    if (open_ || attempt >= attempts) break;
    window_system_.Sleep(pause);
    pause *= 2;
  }
  if (!open_) ReportPlatformFailure("OpenClipboard", error);
}

OpenClipboardScope::~OpenClipboardScope() {
  if (open_) window_system_.CloseClipboard();
}

}  // namespace kestro
