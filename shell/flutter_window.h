// The program's one top-level window, whose content is the engine's view.
// It starts the engine when its native window exists, registers the
// plug-ins and the program's own channels, and shows itself only once the
// engine has rendered its first frame.
#ifndef KESTRO_SHELL_FLUTTER_WINDOW_H_
#define KESTRO_SHELL_FLUTTER_WINDOW_H_

#include <memory>
#include <utility>

#include "diagnostics_channel.h"
#include "flutter/engine_project.h"
#include "flutter/flutter_view_controller.h"
#include "win32_window.h"

namespace kestro {

class FlutterWindow : public Win32Window {
 public:
  explicit FlutterWindow(const flutter::EngineProject& project);
  ~FlutterWindow() override;

  // What "kestro/diagnostics" tells the UI; set before the window opens.
  void SetDiagnosticsInfo(DiagnosticsInfo info) { diagnostics_ = std::move(info); }

 protected:
  // The engine sees every message first.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnCreate() override;
  // Shuts the engine down.
  void OnTeardown() override;

 private:
  void ReleaseViewController();

  flutter::EngineProject project_;
  DiagnosticsInfo diagnostics_;
  std::unique_ptr<flutter::FlutterViewController> view_controller_;
};

}  // namespace kestro

#endif  // KESTRO_SHELL_FLUTTER_WINDOW_H_
