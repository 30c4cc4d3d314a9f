// The multi-window library's own part: it keeps the host's window-created
// callback for the windows it will open, and tells the UI side whether the
// host handed one over ("has_window_created_callback").
#include "kestro/plugin_libraries.h"
#include "standin_plugin.h"

namespace {
// Set and read on the platform thread only.
DesktopMultiWindowWindowCreatedCallback window_created_callback = nullptr;
}  // namespace

extern "C" void DesktopMultiWindowSetWindowCreatedCallback(DesktopMultiWindowWindowCreatedCallback callback) {
  window_created_callback = callback;
}

namespace standin_plugin {

bool HandleOwnCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult>& result) {
  if (call.method_name() != "has_window_created_callback") return false;
  result->Success(flutter::EncodableValue(window_created_callback != nullptr));
  return true;
}

}  // namespace standin_plugin
