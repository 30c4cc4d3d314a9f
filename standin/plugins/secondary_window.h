// The windows the stand-in multi-window plug-in opens: a top-level window of
// its own class holding a view controller built from this library's own copy
// of the client library, as the real plug-in does. Platform thread only.
#ifndef KESTRO_STANDIN_SECONDARY_WINDOW_H_
#define KESTRO_STANDIN_SECONDARY_WINDOW_H_

#include <windows.h>

#include <cstdint>
#include <memory>

#include "flutter/flutter_view_controller.h"

namespace standin_plugin {

struct SecondaryWindow {
  int64_t number = 0;
  HWND window = nullptr;
  std::unique_ptr<flutter::FlutterViewController> controller;
};

// Opens and shows a window. Without `with_view` the controller is asked for a
// view the engine library refuses, which leaves a controller whose engine
// wrapper exists and whose view is absent. Null when no window could be made.
SecondaryWindow* OpenSecondaryWindow(bool with_view);

// Destroys the controller (engine and view first), then the window; false for
// an unknown number.
bool CloseSecondaryWindow(int64_t number);

}  // namespace standin_plugin

#endif  // KESTRO_STANDIN_SECONDARY_WINDOW_H_
