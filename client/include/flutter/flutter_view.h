// The engine's view, as a child window.
#ifndef FLUTTER_FLUTTER_VIEW_H_
#define FLUTTER_FLUTTER_VIEW_H_

#include "flutter/engine_library.h"
#include "flutter/platform_types.h"

namespace flutter {

class FlutterView {
 public:
  explicit FlutterView(FlutterDesktopViewRef view) : view_(view) {}
  virtual ~FlutterView() = default;
  FlutterView(const FlutterView&) = delete;
  FlutterView& operator=(const FlutterView&) = delete;

  HWND NativeWindow() const { return FlutterDesktopViewGetHWND(view_); }

 private:
  FlutterDesktopViewRef view_;
};

}  // namespace flutter

#endif  // FLUTTER_FLUTTER_VIEW_H_
