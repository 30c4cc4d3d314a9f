// The clipboard held open for one scope: every product path that opens the
// clipboard goes through this, so it is closed again on every way out,
// exceptions included, and other programs are never locked out by us.
#ifndef KESTRO_SERVICES_OPEN_CLIPBOARD_H_
#define KESTRO_SERVICES_OPEN_CLIPBOARD_H_

#include "flutter/platform_types.h"
#include "window_system.h"

namespace kestro {

// Clipboard managers open the clipboard for a few tens of milliseconds at a
// time; this many tries, with growing pauses that add up to 150 ms, ride
// that out.
constexpr int kClipboardOpenRetries = 5;

class OpenClipboardScope {
 public:
  // Opens the clipboard for `owner`, trying up to `attempts` times; when the
  // last try fails, one line names the call and its error.
  OpenClipboardScope(WindowSystem& window_system, HWND owner, int attempts = 1);
  ~OpenClipboardScope();
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

  bool IsOpen() const { return open_; }

 private:
  WindowSystem& window_system_;
  bool open_ = false;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_OPEN_CLIPBOARD_H_
