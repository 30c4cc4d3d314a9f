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

// The engine library's side of one answer: the messenger reference and the
// message's response handle, spent by the first Send. The only place that
// hands a response to the engine library. Callable from any thread.
class EngineResponse {
 public:
  EngineResponse(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle);
  EngineResponse(const EngineResponse&) = delete;
  EngineResponse& operator=(const EngineResponse&) = delete;

  // Sends the answer unless the engine is gone or the message was answered
  // already; holds the engine library's messenger lock throughout.
  void Send(const uint8_t* reply, size_t reply_size);

 private:
  const MessengerReference messenger_;
  // The engine library frees a response handle when it is used.
  std::atomic<const FlutterDesktopMessageResponseHandle*> response_handle_;
};

// What the messenger stores in the ReplyCallback it hands to a channel
// handler; in the reply chain (ARCHITECTURE.md, Messaging) the only link that
// talks to the engine library. Copies of one reply share its EngineResponse,
// so a copied callback still answers only once; the last copy, on whatever
// thread, releases the messenger reference.
class EngineReply {
 public:
  EngineReply(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle);

  void operator()(const uint8_t* reply, size_t reply_size) const { response_->Send(reply, reply_size); }

 private:
  std::shared_ptr<EngineResponse> response_;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_ENGINE_REPLY_H_
