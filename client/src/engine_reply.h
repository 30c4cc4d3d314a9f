// The reply to one incoming message, answered through the engine library.
#ifndef KESTRO_CLIENT_ENGINE_REPLY_H_
#define KESTRO_CLIENT_ENGINE_REPLY_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "flutter/engine_library.h"
#include "shared_messenger_handle.h"

namespace flutter::internal {

// Stored in a ReplyCallback. Callable from any thread. Copies of one reply
// share its response handle, so a copied callback still answers only once:
// the engine library frees a response handle when it is used.
class EngineReply {
 public:
  EngineReply(SharedMessengerHandle messenger, const FlutterDesktopMessageResponseHandle* response_handle);

  // Sends the answer unless the engine is gone or the message was answered
  // already; holds the engine library's messenger lock throughout.
  void operator()(const uint8_t* reply, size_t reply_size) const;

 private:
  using ResponseSlot = std::atomic<const FlutterDesktopMessageResponseHandle*>;

  SharedMessengerHandle messenger_;
  std::shared_ptr<ResponseSlot> response_handle_;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_ENGINE_REPLY_H_
