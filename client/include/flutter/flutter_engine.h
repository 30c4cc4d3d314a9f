// Owner of one engine instance, its messenger and its plug-in registrars.
#ifndef FLUTTER_FLUTTER_ENGINE_H_
#define FLUTTER_FLUTTER_ENGINE_H_

#include <functional>
#include <memory>
#include <string>

#include "flutter/binary_messenger.h"
#include "flutter/binary_messenger_impl.h"
#include "flutter/engine_library.h"
#include "flutter/engine_project.h"
#include "flutter/plugin_registry.h"

namespace flutter {

// Field order is fixed: plug-in libraries hand us engines built from their
// own copy of this library. Platform thread only.
class FlutterEngine : public PluginRegistry {
 public:
  // A null engine handle from the library is kept; registrar requests then fail.
  explicit FlutterEngine(const EngineProject& project);
  // Destroys the engine unless it was handed over, then the messenger and
  // with it every channel handler.
  ~FlutterEngine() override;

  FlutterDesktopPluginRegistrarRef GetPluginRegistrar(const std::string& plugin_name) override;

  // The messenger every channel of this engine is made on.
  BinaryMessenger* Messenger() const { return messenger_.get(); }
  // The engine library's handle behind Messenger(), for the MessengerReference
  // of senders on other threads, which must test the engine's availability
  // under its lock.
  FlutterDesktopMessengerRef MessengerHandle() const { return messenger_ ? messenger_->messenger_handle() : nullptr; }

  // The caller becomes responsible for the engine; this wrapper keeps using the handle.
  FlutterDesktopEngineRef HandOverEngine();

  void ReloadSystemFonts();

  // Runs `callback` once, after the next rendered frame; replaces any
  // callback not yet run.
  void SetNextFrameCallback(std::function<void()> callback);

  // The engine library's next-frame trampoline; `user_data` is the FlutterEngine.
  static void OnNextFrame(void* user_data);

  FlutterEngine(const FlutterEngine&) = delete;
  FlutterEngine& operator=(const FlutterEngine&) = delete;

 private:
  FlutterDesktopEngineRef engine_ = nullptr;
  std::unique_ptr<BinaryMessengerImpl> messenger_;
  bool owns_engine_ = true;
  std::function<void()> next_frame_callback_;
};

}  // namespace flutter

#endif  // FLUTTER_FLUTTER_ENGINE_H_
