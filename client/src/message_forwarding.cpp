#include "message_forwarding.h"

#include <memory>
#include <utility>

#include "callback_guard.h"
#include "engine_reply.h"
#include "engine_response_result.h"
#include "flutter/binary_messenger.h"
#include "method_call_dispatcher.h"

namespace flutter::internal {

void ForwardIncomingMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                            void* user_data) {
  RunGuarded("channel message handler", [&] {
    auto* handler = static_cast<ChannelMessageHandler*>(user_data);
    if (handler == nullptr || message == nullptr) {
      return;
    }
    // A method channel's calls are answered through their result alone,
    // without a ReplyCallback: the path of every call the UI makes.
    if (const auto* dispatcher = handler->target<MethodCallDispatcher>()) {
      dispatcher->Dispatch(message->message, message->message_size,
                           std::make_unique<EngineResponseResult>(MessengerReference(messenger),
                                                                  message->response_handle, dispatcher->codec()));
      return;
    }
    // The reference lives exactly as long as the reply or whatever the
    // handler moves it into.
    ReplyCallback reply = EngineReply(MessengerReference(messenger), message->response_handle);
    (*handler)(message->message, message->message_size, std::move(reply));
  });
}

void DeliverReply(const uint8_t* reply, size_t reply_size, void* user_data) {
  std::unique_ptr<ReplyCallback> callback(static_cast<ReplyCallback*>(user_data));
  RunGuarded("reply callback", [&] {
    if (callback && *callback) {
      (*callback)(reply, reply_size);
    }
  });
}

}  // namespace flutter::internal
