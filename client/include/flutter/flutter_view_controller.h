// An engine view of a given size, owning the engine it displays.
#ifndef FLUTTER_FLUTTER_VIEW_CONTROLLER_H_
#define FLUTTER_FLUTTER_VIEW_CONTROLLER_H_

#include <cstdint>
#include <memory>
#include <optional>

#include "flutter/engine_library.h"
#include "flutter/engine_project.h"
#include "flutter/flutter_engine.h"
#include "flutter/flutter_view.h"
#include "flutter/platform_types.h"

namespace flutter {

// Field order is fixed (controller handle, shared engine, view): the
// multi-window plug-in hands us controllers built from its own copy of this
// library. Platform thread only.
class FlutterViewController {
 public:
  // Width and height in physical pixels. On failure there is no view; check View().
  FlutterViewController(int32_t width, int32_t height, const EngineProject& project);
  // Shuts down the view and the engine, then frees the wrappers.
  virtual ~FlutterViewController();

  FlutterViewController(const FlutterViewController&) = delete;
  FlutterViewController& operator=(const FlutterViewController&) = delete;

  FlutterEngine* Engine() const { return engine_.get(); }
  // Null when the controller could not be created.
  FlutterView* View() const { return view_.get(); }

  void ForceRedraw();

  // The engine's result when it handled the message (0 included); empty when it did not.
  std::optional<LRESULT> HandleTopLevelWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  FlutterDesktopViewControllerRef controller_ = nullptr;
  std::shared_ptr<FlutterEngine> engine_;
  std::unique_ptr<FlutterView> view_;
};

}  // namespace flutter

#endif  // FLUTTER_FLUTTER_VIEW_CONTROLLER_H_
