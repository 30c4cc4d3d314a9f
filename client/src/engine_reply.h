// The reply to one incoming message, answered through the engine library.
#ifndef KESTRO_CLIENT_ENGINE_REPLY_H_
#define KESTRO_CLIENT_ENGINE_REPLY_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "flutter/engine_library.h"
#include "flutter/messenger_reference.h"

namespace flutter::internal {

// What the messenger stores in the ReplyCallback it hands to a channel
// handler; in the reply chain (ARCHITECTURE.md, Messaging) the only link that
// talks to the engine library. Callable from any thread. Copies of one reply
// share its response handle, so a copied callback still answers only once:
// the engine library frees a response handle when it is used.
class EngineReply {
 public:
  EngineReply(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle);

  // Sends the answer unless the engine is gone or the message was answered
  // already; holds the engine library's messenger lock throughout.
  void operator()(const uint8_t* reply, size_t reply_size) const;

 private:
  // One allocation for everything the copies share; the last copy, on
  // whatever thread, releases the messenger reference.
  struct Shared {
    Shared(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle);

    const MessengerReference messenger;
    std::atomic<const FlutterDesktopMessageResponseHandle*> response_handle;
  };

  std::shared_ptr<Shared> shared_;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_ENGINE_REPLY_H_
