// A counted reference on the engine library's messenger, and the one way to
// act on the engine only while it is still there.
#ifndef FLUTTER_MESSENGER_REFERENCE_H_
#define FLUTTER_MESSENGER_REFERENCE_H_

#include <utility>

#include "flutter/engine_library.h"
#include "kestro/platform/unique_handle.h"

namespace flutter {

// Owns one reference added on a messenger, so the handle stays valid after
// its engine has shut down; released by whichever thread drops the holder.
// A copy adds a reference of its own; a move takes it over.
class MessengerReference {
 public:
  MessengerReference() = default;
  // Adds a reference on `messenger`; null makes an empty reference.
  explicit MessengerReference(FlutterDesktopMessengerRef messenger);
  MessengerReference(const MessengerReference& other);
  MessengerReference(MessengerReference&& other) noexcept : messenger_(std::exchange(other.messenger_, nullptr)) {}
  MessengerReference& operator=(MessengerReference other) noexcept {
    std::swap(messenger_, other.messenger_);
    return *this;
  }
  ~MessengerReference();

  FlutterDesktopMessengerRef get() const { return messenger_; }

  // Runs `action` (any thread) under the engine library's messenger lock,
  // and only if the engine is available once the lock is held. The engine's
  // shutdown takes the same lock, so it cannot happen while `action` runs.
  // Returns whether `action` ran: not for an empty reference nor after
  // shutdown. The lock is released on every way out; exceptions from
  // `action` propagate.
  template <typename Action>
  bool IfEngineAvailable(Action&& action) const {
    const EngineLock lock(messenger_);
    if (!lock.engine_available()) return false;
    std::forward<Action>(action)();
    return true;
  }

 private:
  // The messenger lock for one scope, and the availability seen under it.
  class EngineLock {
   public:
    explicit EngineLock(FlutterDesktopMessengerRef messenger);

    bool engine_available() const { return engine_available_; }

   private:
    // What FlutterDesktopMessengerLock returned: null means nothing to unlock.
    const kestro::UniqueHandle<FlutterDesktopMessengerRef, kestro::CloseWith<FlutterDesktopMessengerUnlock>> locked_;
    const bool engine_available_;
  };

  FlutterDesktopMessengerRef messenger_ = nullptr;
};

}  // namespace flutter

#endif  // FLUTTER_MESSENGER_REFERENCE_H_
