#include "flutter/messenger_reference.h"

namespace flutter {

MessengerReference::MessengerReference(FlutterDesktopMessengerRef messenger)
    : messenger_(messenger != nullptr ? FlutterDesktopMessengerAddRef(messenger) : nullptr) {}

MessengerReference::MessengerReference(const MessengerReference& other) : MessengerReference(other.messenger_) {}

MessengerReference::~MessengerReference() {
  if (messenger_ != nullptr) {
    FlutterDesktopMessengerRelease(messenger_);
  }
}

MessengerReference::EngineLock::EngineLock(FlutterDesktopMessengerRef messenger) {
  if (messenger == nullptr) {
    return;
  }
  locked_ = FlutterDesktopMessengerLock(messenger);
  engine_available_ = FlutterDesktopMessengerIsAvailable(messenger);
}

MessengerReference::EngineLock::~EngineLock() {
  if (locked_ != nullptr) {
    FlutterDesktopMessengerUnlock(locked_);
  }
}

}  // namespace flutter
