// The two messenger callbacks handed to the engine library.
#ifndef KESTRO_CLIENT_MESSAGE_FORWARDING_H_
#define KESTRO_CLIENT_MESSAGE_FORWARDING_H_

#include <cstddef>
#include <cstdint>

#include "flutter/engine_library.h"

namespace flutter::internal {

// Hands an incoming message to the ChannelMessageHandler at `user_data`:
// a method channel's dispatcher gets it with an EngineResponseResult, any
// other handler with an EngineReply for its response handle. Platform thread.
void ForwardIncomingMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                            void* user_data);

// Runs the heap ReplyCallback at `user_data` once with the answer, then frees it.
void DeliverReply(const uint8_t* reply, size_t reply_size, void* user_data);

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_MESSAGE_FORWARDING_H_
