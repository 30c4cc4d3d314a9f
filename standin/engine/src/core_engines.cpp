// Engines, view controllers, registrars, frames and window messages.
#include <string>
#include <utility>

#include "core.h"
#include "data_paths.h"
#include "diagnostics.h"

namespace standin::internal {
namespace {

std::optional<std::wstring> CopyWide(const wchar_t* text) {
  if (text == nullptr) return std::nullopt;
  return std::wstring(text);
}

RecordedProperties Record(const FlutterDesktopEngineProperties& properties) {
  RecordedProperties recorded;
  recorded.assets_path = CopyWide(properties.assets_path);
  recorded.icu_data_path = CopyWide(properties.icu_data_path);
  recorded.aot_library_path = CopyWide(properties.aot_library_path);
  if (properties.entrypoint != nullptr) {
    recorded.entrypoint = std::string(properties.entrypoint);
  } else {
    Diagnose("FlutterDesktopEngineCreate: null entrypoint (the default entrypoint is the empty string)");
  }
  recorded.entrypoint_argc = properties.entrypoint_argc;
  recorded.entrypoint_argv_null = properties.entrypoint_argv == nullptr;
  for (int i = 0; i < 3; ++i) recorded.option_values[i] = properties.option_values[i];
  if (properties.entrypoint_argc < 0) {
    Diagnose("FlutterDesktopEngineCreate: negative entrypoint argument count " +
             std::to_string(properties.entrypoint_argc) + "; no arguments taken");
    return recorded;
  }
  if (properties.entrypoint_argc > 0 && properties.entrypoint_argv == nullptr) {
    Diagnose("FlutterDesktopEngineCreate: " + std::to_string(properties.entrypoint_argc) +
             " entrypoint arguments but a null argument array; no arguments taken");
    return recorded;
  }
  for (int32_t i = 0; i < properties.entrypoint_argc; ++i) {
    const char* argument = properties.entrypoint_argv[i];
    if (argument == nullptr)
      Diagnose("FlutterDesktopEngineCreate: entrypoint argument " + std::to_string(i) + " is null");
    recorded.entrypoint_arguments.emplace_back(argument != nullptr ? argument : "");
  }
  return recorded;
}

}  // namespace

FlutterDesktopEngineRef Core::CreateEngine(const FlutterDesktopEngineProperties* properties) {
  if (properties == nullptr) {
    Diagnose("FlutterDesktopEngineCreate: null properties; no engine created");
    return nullptr;
  }
  RecordedProperties recorded = Record(*properties);
  CheckDataPaths(recorded);
  const EnvironmentRequests requested = ReadEnvironmentRequests();
  platform::AdoptPlatformThread();
  std::lock_guard<std::mutex> guard(mutex_);
  settings_.environment = requested;
  if (settings_.fail_engine_creation || requested.fail_engine_creation) {
    Diagnose("FlutterDesktopEngineCreate: failing as asked (test API or KESTRO_STANDIN_FAIL); no engine");
    return nullptr;
  }
  engines_.push_back(std::make_unique<FlutterDesktopEngine>(engines_.size() + 1));
  engines_.back()->properties = std::move(recorded);
  return engines_.back().get();
}

bool Core::ShutDown(FlutterDesktopEngine* engine) {
  // Waits for a host thread that holds the messenger lock to finish its
  // response, so that availability cannot change under it.
  engine->messenger.lock.Lock();
  std::vector<Finished> lost;
  bool was_alive;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    was_alive = engine->alive;
    if (was_alive) {
      engine->alive = false;
      engine->controller = nullptr;
      engine->callbacks.clear();
      engine->next_frame.reset();
      window_messages_.erase(engine->id);
      // The registrars stay, as handles to refuse; their names go.
      for (const auto& registrar : engine->registrars) std::string().swap(registrar->name);
      engine->registrars.shrink_to_fit();
      for (auto it = pending_responses_.begin(); it != pending_responses_.end();) {
        it = it->second.engine == engine->id ? pending_responses_.erase(it) : std::next(it);
      }
      for (auto it = awaited_replies_.begin(); it != awaited_replies_.end();) {
        it = it->second.engine == engine->id ? awaited_replies_.erase(it) : std::next(it);
      }
      std::vector<MessageTicket> open;
      for (const auto& entry : tickets_) {
        const ResponseState state = entry.second.state;
        if (entry.second.engine == engine->id &&
            (state == ResponseState::kQueued || state == ResponseState::kAwaitingAnswer)) {
          open.push_back(entry.first);
        }
      }
      for (MessageTicket ticket : open) lost.push_back(Settle(ticket, ResponseState::kEngineGone, {}));
    }
  }
  engine->messenger.lock.Unlock();
  for (const Finished& finished : lost) finished.Report();
  return was_alive;
}

bool Core::DestroyEngine(FlutterDesktopEngineRef handle) {
  FlutterDesktopEngine* engine;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    engine = LiveEngine(handle, "FlutterDesktopEngineDestroy");
    if (engine == nullptr) return false;
    if (engine->controller != nullptr) {
      Diagnose("FlutterDesktopEngineDestroy: the engine belongs to a view controller; destroy the controller instead");
      return false;
    }
  }
  return ShutDown(engine);
}

FlutterDesktopMessengerRef Core::MessengerOf(FlutterDesktopEngineRef handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopEngine* engine = LiveEngine(handle, "FlutterDesktopEngineGetMessenger");
  return engine != nullptr ? &engine->messenger : nullptr;
}

FlutterDesktopPluginRegistrarRef Core::Registrar(FlutterDesktopEngineRef handle, const char* plugin_name) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopEngine* engine = LiveEngine(handle, "FlutterDesktopEngineGetPluginRegistrar");
  if (engine == nullptr) return nullptr;
  if (plugin_name == nullptr) {
    Diagnose("FlutterDesktopEngineGetPluginRegistrar: null plug-in name; no registrar");
    return nullptr;
  }
  engine->registrar_requests.emplace_back(plugin_name);
  for (const auto& registrar : engine->registrars) {
    if (registrar->name == plugin_name) return registrar.get();
  }
  engine->registrars.push_back(std::make_unique<FlutterDesktopPluginRegistrar>(engine, plugin_name));
  return engine->registrars.back().get();
}

FlutterDesktopMessengerRef Core::RegistrarMessenger(FlutterDesktopPluginRegistrarRef registrar) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (const auto& engine : engines_) {
    for (const auto& known : engine->registrars) {
      if (known.get() == registrar) return &engine->messenger;
    }
  }
  CountInvalidHandle("FlutterDesktopPluginRegistrarGetMessenger", "unknown registrar handle");
  return nullptr;
}

void Core::ReloadFonts(FlutterDesktopEngineRef handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (FlutterDesktopEngine* engine = LiveEngine(handle, "FlutterDesktopEngineReloadSystemFonts")) {
    ++engine->fonts_reloads;
  }
}

void Core::SetNextFrame(FlutterDesktopEngineRef handle, FlutterDesktopNextFrameCallback callback, void* user_data) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopEngine* engine = LiveEngine(handle, "FlutterDesktopEngineSetNextFrameCallback");
  if (engine == nullptr) return;
  if (callback == nullptr) {
    engine->next_frame.reset();
  } else {
    engine->next_frame = NextFrameCallback{callback, user_data};
  }
}

FlutterDesktopViewControllerRef Core::CreateViewController(int width, int height, FlutterDesktopEngineRef handle) {
  FlutterDesktopEngine* engine;
  std::string refusal;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    engine = LiveEngine(handle, "FlutterDesktopViewControllerCreate");
    if (engine == nullptr) return nullptr;
    if (engine->controller != nullptr) {
      Diagnose("FlutterDesktopViewControllerCreate: the engine already belongs to a view controller");
      return nullptr;
    }
    if (width < 0 || height < 0) {
      refusal = "negative view size " + std::to_string(width) + "x" + std::to_string(height);
    } else if (settings_.fail_view_controller_creation || settings_.environment.fail_view_controller_creation) {
      refusal = "failing as asked (test API or KESTRO_STANDIN_FAIL)";
    }
  }
  // Made without the mutex: creating a window calls its window procedure.
  HWND window = nullptr;
  if (refusal.empty()) {
    window = platform::CreateViewWindow(engine->id, width, height);
    if (window == nullptr) refusal = "the view's window could not be created";
  }
  if (refusal.empty()) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (engine->alive && engine->controller == nullptr) {
      controllers_.push_back(std::make_unique<FlutterDesktopViewController>(engine));
      FlutterDesktopViewController* controller = controllers_.back().get();
      controller->view.window = window;
      engine->controller = controller;
      engine->view_size = ViewSize{width, height};
      engine->view_window = window;
      return controller;
    }
    refusal = "the engine was destroyed or taken over meanwhile";
  }
  if (window != nullptr) platform::DestroyViewWindow(window);
  Diagnose("FlutterDesktopViewControllerCreate: " + refusal + "; no controller");
  // The controller took the engine over, so a failed creation frees it.
  ShutDown(engine);
  return nullptr;
}

void Core::DestroyViewController(FlutterDesktopViewControllerRef handle) {
  FlutterDesktopEngine* engine;
  HWND window;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    FlutterDesktopViewController* controller = LiveController(handle, "FlutterDesktopViewControllerDestroy");
    if (controller == nullptr) return;
    controller->alive = false;
    engine = controller->engine;
    window = controller->view.window;
  }
  // The engine goes first, so nothing the view's destruction sends reaches it.
  ShutDown(engine);
  platform::DestroyViewWindow(window);
}

FlutterDesktopViewRef Core::ViewOf(FlutterDesktopViewControllerRef handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopViewController* controller = LiveController(handle, "FlutterDesktopViewControllerGetView");
  return controller != nullptr ? &controller->view : nullptr;
}

void Core::ForceRedraw(FlutterDesktopViewControllerRef handle) {
  EngineId id;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    FlutterDesktopViewController* controller = LiveController(handle, "FlutterDesktopViewControllerForceRedraw");
    if (controller == nullptr) return;
    ++controller->engine->redraw_requests;
    if (FramesHeld()) return;
    id = controller->engine->id;
  }
  tasks_.Post([this, id] { Frame(id); });
}

bool Core::RenderFrame(EngineId id, std::function<void()> rendered) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    const FlutterDesktopEngine* engine = EngineById(id);
    if (engine == nullptr || engine->controller == nullptr) return false;
  }
  tasks_.Post([this, id, rendered = std::move(rendered)] {
    Frame(id);
    if (rendered) rendered();
  });
  return true;
}

void Core::ViewPainted(EngineId id) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    FlutterDesktopEngine* engine = EngineById(id);
    if (engine == nullptr || engine->controller == nullptr || engine->view_painted) return;
    engine->view_painted = true;
    if (FramesHeld()) return;
  }
  tasks_.Post([this, id] { Frame(id); });
}

bool Core::RunWindowAction(EngineId id, const platform::WindowAction& action, std::function<void(bool)> done) {
  HWND window;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    const FlutterDesktopEngine* engine = EngineById(id);
    if (engine == nullptr || engine->controller == nullptr) return false;
    window = engine->controller->view.window;
  }
  tasks_.Post([window, action, done = std::move(done)] {
    const bool acted = platform::RunWindowAction(window, action);
    if (done) done(acted);
  });
  return true;
}

void Core::Frame(EngineId id) {
  std::optional<NextFrameCallback> callback;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    FlutterDesktopEngine* engine = EngineById(id);
    if (engine == nullptr || engine->controller == nullptr) return;
    ++engine->frames_rendered;
    callback.swap(engine->next_frame);
  }
  if (callback) callback->callback(callback->user_data);
}

bool Core::HandleWindowProc(FlutterDesktopViewControllerRef handle, const OfferedWindowMessage& offered,
                            LRESULT* result) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopViewController* controller =
      LiveController(handle, "FlutterDesktopViewControllerHandleTopLevelWindowProc");
  if (controller == nullptr) return false;
  auto consumed = settings_.consumed_window_messages.find(offered.message);
  std::deque<OfferedWindowMessage>& record = window_messages_[controller->engine->id];
  record.push_back(offered);
  if (record.size() > kWindowMessagesKept) record.pop_front();
  if (consumed == settings_.consumed_window_messages.end()) return false;
  if (result == nullptr) {
    Diagnose("FlutterDesktopViewControllerHandleTopLevelWindowProc: null result pointer; message left unhandled");
    return false;
  }
  record.back().consumed = true;
  *result = consumed->second;
  return true;
}

HWND Core::WindowOf(FlutterDesktopViewRef view) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (const auto& controller : controllers_) {
    if (&controller->view != view) continue;
    if (controller->alive) return view->window;
    CountInvalidHandle("FlutterDesktopViewGetHWND", "view already destroyed");
    return nullptr;
  }
  CountInvalidHandle("FlutterDesktopViewGetHWND", view == nullptr ? "null view" : "unknown view handle");
  return nullptr;
}

UINT Core::MonitorDpi(HMONITOR monitor) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (settings_.monitor_dpi) return *settings_.monitor_dpi;
  }
  return platform::MonitorDpi(monitor);
}

void Core::Resync() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    ++counters_.resyncs;
  }
  platform::ResyncOutputStreams();
}

}  // namespace standin::internal
