#include "flutter/binary_messenger_impl.h"

#include <memory>
#include <utility>

#include "message_forwarding.h"

namespace flutter {

BinaryMessengerImpl::BinaryMessengerImpl(FlutterDesktopMessengerRef messenger_handle)
    : messenger_handle_(messenger_handle) {}

BinaryMessengerImpl::~BinaryMessengerImpl() = default;

void BinaryMessengerImpl::SendToChannel(const std::string& channel, const uint8_t* message, size_t message_size,
                                        ReplyCallback reply) const {
  if (!reply) {
    FlutterDesktopMessengerSend(messenger_handle_, channel.c_str(), message, message_size);
    return;
  }
  // Owned by the engine library from here until it calls DeliverReply.
  auto reply_copy = std::make_unique<ReplyCallback>(std::move(reply));
  if (FlutterDesktopMessengerSendWithReply(messenger_handle_, channel.c_str(), message, message_size,
                                           internal::DeliverReply, reply_copy.get())) {
    reply_copy.release();
  }
}

void BinaryMessengerImpl::SetChannelHandler(const std::string& channel, ChannelMessageHandler handler) {
  if (!handler) {
    channel_handlers_.erase(channel);
    FlutterDesktopMessengerSetCallback(messenger_handle_, channel.c_str(), nullptr, nullptr);
    return;
  }
  ChannelMessageHandler& stored = channel_handlers_[channel];
  stored = std::move(handler);
  FlutterDesktopMessengerSetCallback(messenger_handle_, channel.c_str(), internal::ForwardIncomingMessage, &stored);
}

}  // namespace flutter
