#include "flutter/flutter_view_controller.h"

#include "diagnostics.h"

namespace flutter {

FlutterViewController::FlutterViewController(int32_t width, int32_t height, const EngineProject& project)
    : engine_(std::make_shared<FlutterEngine>(project)) {
  controller_ = FlutterDesktopViewControllerCreate(width, height, engine_->HandOverEngine());
  if (controller_ == nullptr) {
    internal::WriteDiagnosticLine("Failed to create view controller.");
    return;
  }
  view_ = std::make_unique<FlutterView>(FlutterDesktopViewControllerGetView(controller_));
}

FlutterViewController::~FlutterViewController() {
  if (controller_ != nullptr) {
    FlutterDesktopViewControllerDestroy(controller_);
  }
  view_.reset();
  engine_.reset();
}

void FlutterViewController::ForceRedraw() {
  if (controller_ != nullptr) {
    FlutterDesktopViewControllerForceRedraw(controller_);
  }
}

std::optional<LRESULT> FlutterViewController::HandleTopLevelWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                                                       LPARAM lparam) {
  LRESULT result = 0;
  if (controller_ != nullptr &&
      FlutterDesktopViewControllerHandleTopLevelWindowProc(controller_, hwnd, message, wparam, lparam, &result)) {
    return result;
  }
  return std::nullopt;
}

}  // namespace flutter
