// Shared ownership of one reference on the engine library's messenger.
#ifndef KESTRO_CLIENT_SHARED_MESSENGER_HANDLE_H_
#define KESTRO_CLIENT_SHARED_MESSENGER_HANDLE_H_

#include <memory>

#include "flutter/engine_library.h"

namespace flutter::internal {

// Copies share the reference; the last one, on whatever thread, releases it.
class SharedMessengerHandle {
 public:
  // Takes over one reference added with FlutterDesktopMessengerAddRef.
  explicit SharedMessengerHandle(FlutterDesktopMessengerRef added_reference);

  FlutterDesktopMessengerRef get() const { return handle_.get(); }

 private:
  std::shared_ptr<FlutterDesktopMessenger> handle_;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_SHARED_MESSENGER_HANDLE_H_
