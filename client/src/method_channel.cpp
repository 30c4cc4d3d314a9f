#include "flutter/method_channel.h"

#include "method_call_dispatcher.h"

namespace flutter {

MethodChannel::MethodChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec* codec)
    : messenger_(messenger), name_(name), codec_(codec) {}

void MethodChannel::SetMethodCallHandler(const MethodCallFunction& handler) const {
  if (!handler) {
    messenger_->SetChannelHandler(name_, nullptr);
    return;
  }
  messenger_->SetChannelHandler(name_, internal::MethodCallDispatcher(handler, codec_, name_));
}

}  // namespace flutter
