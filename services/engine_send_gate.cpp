#include "engine_send_gate.h"

namespace kestro {

EngineSendGate::EngineSendGate(FlutterDesktopMessengerRef messenger)
    : messenger_(messenger ? FlutterDesktopMessengerAddRef(messenger) : nullptr) {}

EngineSendGate::~EngineSendGate() {
  if (messenger_) FlutterDesktopMessengerRelease(messenger_);
}

bool EngineSendGate::SendIfEngineAvailable(const std::function<void()>& send) const {
  if (!messenger_) return false;
  FlutterDesktopMessengerRef locked = FlutterDesktopMessengerLock(messenger_);
  struct Unlock {
    FlutterDesktopMessengerRef handle;
    ~Unlock() {
      if (handle) FlutterDesktopMessengerUnlock(handle);
    }
  } unlock{locked};
  if (!FlutterDesktopMessengerIsAvailable(messenger_)) return false;
  send();
  return true;
}

}  // namespace kestro
