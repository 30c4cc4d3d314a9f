#include "secondary_windows.h"

#include "capture_protection_channel.h"
#include "flutter/flutter_view_controller.h"
#include "kestro/platform/diagnostics.h"
#include "plugin_registration.h"
#include "text_insertion_channel.h"

namespace kestro {

void OnSecondaryWindowCreated(void* flutter_view_controller) noexcept {
  if (flutter_view_controller == nullptr) return;
  try {
    auto* controller = static_cast<flutter::FlutterViewController*>(flutter_view_controller);
    flutter::FlutterEngine* engine = controller->Engine();
    if (engine == nullptr) return;
    RegisterAllPlugins(engine);
    // Bound to the new view's own window; a secondary window gets no system
    // audio channels.
    if (controller->View() != nullptr) {
      const HWND window = controller->View()->NativeWindow();
      RegisterCaptureProtectionChannel(engine, window);
      RegisterTextInsertionChannel(engine, window);
    }
  } catch (...) {
    ReportEscapedException("preparing a secondary window failed");
  }
}

}  // namespace kestro
