#include "secondary_windows.h"

#include <exception>

#include "diagnostics.h"
#include "flutter/flutter_view_controller.h"
#include "plugin_registration.h"

namespace kestro {

void OnSecondaryWindowCreated(void* flutter_view_controller) noexcept {
  if (flutter_view_controller == nullptr) return;
  try {
    auto* controller = static_cast<flutter::FlutterViewController*>(flutter_view_controller);
    flutter::FlutterEngine* engine = controller->Engine();
    if (engine == nullptr) return;
    RegisterAllPlugins(engine);
    // The capture protection and text insertion channels, bound to the new
    // view's own window, belong here; a secondary window gets no system
    // audio channels.
  } catch (const std::exception& exception) {
    ReportEscapedException("preparing a secondary window", &exception);
  } catch (...) {
    ReportEscapedException("preparing a secondary window", nullptr);
  }
}

}  // namespace kestro
