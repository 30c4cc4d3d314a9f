// The reply to one incoming message, answered through the engine library.
#ifndef KESTRO_CLIENT_ENGINE_REPLY_H_
#define KESTRO_CLIENT_ENGINE_REPLY_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "flutter/engine_library.h"

namespace flutter::internal {

// Stored in a ReplyCallback. Callable from any thread. Copies of one reply
// share its response handle, so a copied callback still answers only once:
// the engine library frees a response handle when it is used.
class EngineReply {
 public:
  // Takes over one messenger reference added with FlutterDesktopMessengerAddRef;
  // the last copy of the reply, on whatever thread, releases it.
  EngineReply(FlutterDesktopMessengerRef added_reference, const FlutterDesktopMessageResponseHandle* response_handle);

  // Sends the answer unless the engine is gone or the message was answered
  // already; holds the engine library's messenger lock throughout.
  void operator()(const uint8_t* reply, size_t reply_size) const;

 private:
  // One allocation for everything the copies share.
  struct Shared {
    Shared(FlutterDesktopMessengerRef added_reference, const FlutterDesktopMessageResponseHandle* response_handle);
    ~Shared();
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    const FlutterDesktopMessengerRef messenger;
    std::atomic<const FlutterDesktopMessageResponseHandle*> response_handle;
  };

  static std::shared_ptr<Shared> ShareReference(FlutterDesktopMessengerRef added_reference,
                                                const FlutterDesktopMessageResponseHandle* response_handle);

  std::shared_ptr<Shared> shared_;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_ENGINE_REPLY_H_
