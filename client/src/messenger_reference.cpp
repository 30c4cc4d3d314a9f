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

// Members initialise in declaration order: the lock is taken before the
// availability is tested.
MessengerReference::EngineLock::EngineLock(FlutterDesktopMessengerRef messenger)
    : locked_(messenger != nullptr ? FlutterDesktopMessengerLock(messenger) : nullptr),
      engine_available_(messenger != nullptr && FlutterDesktopMessengerIsAvailable(messenger)) {}

}  // namespace flutter
