#include "flutter/flutter_engine.h"

#include <utility>
#include <vector>

#include "callback_guard.h"
#include "diagnostics.h"

namespace flutter {

namespace {
// Borrows every string from `project` and `argv`, which must outlive the record.
FlutterDesktopEngineProperties FillProperties(const EngineProject& project, std::vector<const char*>& argv) {
  FlutterDesktopEngineProperties properties{};
  properties.assets_path = project.assets_path.c_str();
  properties.icu_data_path = project.icu_data_path.c_str();
  properties.aot_library_path = project.aot_library_path.c_str();
  properties.entrypoint = project.entrypoint.c_str();
  argv.clear();
  for (const std::string& argument : project.entrypoint_arguments) {
    argv.push_back(argument.c_str());
  }
  properties.entrypoint_argc = static_cast<int32_t>(argv.size());
  properties.entrypoint_argv = argv.empty() ? nullptr : argv.data();
  for (size_t i = 0; i < project.option_values.size(); ++i) {
    properties.option_values[i] = project.option_values[i];
  }
  return properties;
}
}  // namespace

FlutterEngine::FlutterEngine(const EngineProject& project) {
  std::vector<const char*> argv;
  const FlutterDesktopEngineProperties properties = FillProperties(project, argv);
  engine_ = FlutterDesktopEngineCreate(&properties);
  // Without an engine there is no messenger to ask for; channels made on the
  // messenger then reach nothing.
  messenger_ =
      std::make_unique<BinaryMessengerImpl>(engine_ != nullptr ? FlutterDesktopEngineGetMessenger(engine_) : nullptr);
}

FlutterEngine::~FlutterEngine() {
  if (engine_ != nullptr && owns_engine_) {
    FlutterDesktopEngineDestroy(engine_);
  }
  engine_ = nullptr;
  next_frame_callback_ = nullptr;
  messenger_.reset();
}

FlutterDesktopPluginRegistrarRef FlutterEngine::GetPluginRegistrar(const std::string& plugin_name) {
  if (engine_ == nullptr) {
    internal::WriteDiagnosticLine("Cannot get plugin registrar on an engine that isn't running; call Run first.");
    return nullptr;
  }
  return FlutterDesktopEngineGetPluginRegistrar(engine_, plugin_name.c_str());
}

FlutterDesktopEngineRef FlutterEngine::HandOverEngine() {
  owns_engine_ = false;
  return engine_;
}

void FlutterEngine::ReloadSystemFonts() {
  if (engine_ != nullptr) {
    FlutterDesktopEngineReloadSystemFonts(engine_);
  }
}

void FlutterEngine::SetNextFrameCallback(std::function<void()> callback) {
  next_frame_callback_ = std::move(callback);
  if (engine_ != nullptr) {
    FlutterDesktopEngineSetNextFrameCallback(engine_, OnNextFrame, this);
  }
}

void FlutterEngine::OnNextFrame(void* user_data) {
  auto* engine = static_cast<FlutterEngine*>(user_data);
  if (engine == nullptr || !engine->next_frame_callback_) {
    return;
  }
  // Taken out before running, so a callback that asks for another frame keeps its new callback.
  std::function<void()> callback = std::move(engine->next_frame_callback_);
  engine->next_frame_callback_ = nullptr;
  internal::RunGuarded("next-frame callback", callback);
}

}  // namespace flutter
