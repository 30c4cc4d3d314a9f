#include "flutter_window.h"

#include <optional>
#include <utility>

#include "capture_protection_channel.h"
#include "diagnostics_channel.h"
#include "kestro/plugin_libraries.h"
#include "plugin_registration.h"
#include "secondary_windows.h"
#include "system_audio_channels.h"
#include "text_insertion_channel.h"

namespace kestro {

FlutterWindow::FlutterWindow(const flutter::EngineProject& project) : project_(project) {}

FlutterWindow::~FlutterWindow() {
  ReleaseViewController();
}

bool FlutterWindow::OnCreate() {
  // Before anything else, so that no window the plug-in opens is missed.
  DesktopMultiWindowSetWindowCreatedCallback(OnSecondaryWindowCreated);
  if (!Win32Window::OnCreate()) return false;

  const RECT frame = ClientArea();
  view_controller_ =
      std::make_unique<flutter::FlutterViewController>(frame.right - frame.left, frame.bottom - frame.top, project_);
  // The engine library has already said why; the failed controller stays
  // until teardown.
  if (view_controller_->Engine() == nullptr || view_controller_->View() == nullptr) return false;

  flutter::FlutterEngine* engine = view_controller_->Engine();
  RegisterAllPlugins(engine);
  RegisterCaptureProtectionChannel(engine, view_controller_->View()->NativeWindow());
  RegisterTextInsertionChannel(engine, view_controller_->View()->NativeWindow());
  InstallSystemAudioChannels(engine);
  RegisterDiagnosticsChannel(engine, diagnostics_);
  AttachContent(view_controller_->View()->NativeWindow());
  // The window was created hidden: it appears with the engine's first frame
  // instead of as an empty frame.
  engine->SetNextFrameCallback([this]() { MakeVisible(); });
  view_controller_->ForceRedraw();
  return true;
}

LRESULT FlutterWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (view_controller_ != nullptr) {
    const std::optional<LRESULT> result = view_controller_->HandleTopLevelWindowProc(window, message, wparam, lparam);
    if (result.has_value()) return *result;
  }
  if (message == WM_FONTCHANGE && view_controller_ != nullptr) {
    view_controller_->Engine()->ReloadSystemFonts();
  }
  return Win32Window::HandleMessage(window, message, wparam, lparam);
}

void FlutterWindow::OnTeardown() {
  ReleaseViewController();
  Win32Window::OnTeardown();
}

void FlutterWindow::ReleaseViewController() {
  // The field is cleared before the engine shuts down: destroying the view
  // sends the window messages that must no longer reach the engine.
  std::unique_ptr<flutter::FlutterViewController> released = std::move(view_controller_);
  released.reset();
}

}  // namespace kestro
