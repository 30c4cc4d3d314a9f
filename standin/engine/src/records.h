// The engine library's opaque handles, as the stand-in defines them. Every
// record lives until ResetAll, so a stale handle from the host is recognised
// and refused instead of being used after it was freed; a destroyed engine
// keeps only a small record (its window messages are kept apart and go with
// it, its registrars lose their names). All fields except the messenger lock
// are guarded by the core's mutex.
#ifndef STANDIN_ENGINE_RECORDS_H_
#define STANDIN_ENGINE_RECORDS_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flutter/engine_library.h"
#include "owner_lock.h"
#include "standin/engine_test_api.h"

struct FlutterDesktopEngine;
struct FlutterDesktopViewController;

struct FlutterDesktopMessenger {
  explicit FlutterDesktopMessenger(FlutterDesktopEngine* owner) : engine(owner) {}
  FlutterDesktopEngine* const engine;
  standin::internal::OwnerLock lock;
};

struct FlutterDesktopPluginRegistrar {
  FlutterDesktopPluginRegistrar(FlutterDesktopEngine* owner, std::string plugin)
      : engine(owner), name(std::move(plugin)) {}
  FlutterDesktopEngine* const engine;
  std::string name;  // emptied when the engine goes
};

struct FlutterDesktopView {
  explicit FlutterDesktopView(FlutterDesktopViewController* owner) : controller(owner) {}
  FlutterDesktopViewController* const controller;
  HWND window = nullptr;
};

struct FlutterDesktopViewController {
  explicit FlutterDesktopViewController(FlutterDesktopEngine* owned) : engine(owned) {}
  FlutterDesktopEngine* const engine;
  FlutterDesktopView view{this};
  bool alive = true;
};

namespace standin::internal {

struct ChannelCallback {
  FlutterDesktopMessageCallback callback = nullptr;
  void* user_data = nullptr;
};

struct NextFrameCallback {
  FlutterDesktopNextFrameCallback callback = nullptr;
  void* user_data = nullptr;
};

}  // namespace standin::internal

struct FlutterDesktopEngine {
  explicit FlutterDesktopEngine(standin::EngineId engine_id) : id(engine_id) {}
  const standin::EngineId id;
  bool alive = true;
  // The live controller that took the engine over, if any.
  FlutterDesktopViewController* controller = nullptr;
  standin::RecordedProperties properties;
  FlutterDesktopMessenger messenger{this};
  std::map<std::string, standin::internal::ChannelCallback> callbacks;
  std::vector<std::unique_ptr<FlutterDesktopPluginRegistrar>> registrars;  // one per plug-in name
  std::vector<std::string> registrar_requests;
  std::optional<standin::internal::NextFrameCallback> next_frame;
  std::optional<standin::ViewSize> view_size;
  HWND view_window = nullptr;
  bool view_painted = false;
  int fonts_reloads = 0;
  int redraw_requests = 0;
  int frames_rendered = 0;
  int host_messenger_references = 0;
};

#endif  // STANDIN_ENGINE_RECORDS_H_
