// Lets a thread other than the platform thread send to the UI only while the
// engine is still there.
#ifndef KESTRO_SERVICES_ENGINE_SEND_GATE_H_
#define KESTRO_SERVICES_ENGINE_SEND_GATE_H_

#include <functional>

#include "flutter/engine_library.h"

namespace kestro {

// Holds its own reference on the engine's messenger, so that the messenger
// stays valid after the engine has shut down. A send runs under the
// messenger's lock, after the availability test: the engine cannot shut
// down in between, and once it has, nothing reaches the engine library.
class EngineSendGate {
 public:
  // A null messenger (no engine) makes a gate that never opens.
  explicit EngineSendGate(FlutterDesktopMessengerRef messenger);
  ~EngineSendGate();
  EngineSendGate(const EngineSendGate&) = delete;
  EngineSendGate& operator=(const EngineSendGate&) = delete;

  // Runs `send` if the engine is available; returns whether it ran.
  bool SendIfEngineAvailable(const std::function<void()>& send) const;

 private:
  FlutterDesktopMessengerRef messenger_;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_ENGINE_SEND_GATE_H_
