#include "flutter/event_channel.h"

#include <utility>

#include "stream_registration.h"

namespace flutter {

EventChannel::EventChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec* codec)
    : messenger_(messenger), name_(name), codec_(codec) {}

void EventChannel::SetStreamHandler(std::unique_ptr<StreamHandler> handler) {
  if (!handler) {
    messenger_->SetChannelHandler(name_, nullptr);
    return;
  }
  std::shared_ptr<StreamHandler> shared_handler = std::move(handler);
  messenger_->SetChannelHandler(name_,
                                internal::StreamRegistration(std::move(shared_handler), codec_, name_, messenger_));
}

}  // namespace flutter
