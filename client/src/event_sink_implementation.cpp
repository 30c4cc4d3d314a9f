#include "flutter/event_channel.h"

#include <memory>
#include <vector>

namespace flutter {

namespace {
// Fire-and-forget: no answer is expected.
void SendWithoutReply(const BinaryMessenger& messenger, const std::string& channel,
                      const std::unique_ptr<std::vector<uint8_t>>& message) {
  if (message && !message->empty()) {
    messenger.SendToChannel(channel, message->data(), message->size());
  } else {
    messenger.SendToChannel(channel, nullptr, 0);
  }
}
}  // namespace

EventChannel::EventSinkImplementation::EventSinkImplementation(BinaryMessenger* messenger, const std::string& name,
                                                               const MethodCodec* codec)
    : messenger_(messenger), name_(name), codec_(codec) {}

void EventChannel::EventSinkImplementation::EmitEvent(const EncodableValue* event) {
  SendWithoutReply(*messenger_, name_, codec_->EncodeSuccessReply(event));
}

void EventChannel::EventSinkImplementation::EmitError(const std::string& error_code, const std::string& error_message,
                                                      const EncodableValue* error_details) {
  SendWithoutReply(*messenger_, name_, codec_->EncodeErrorReply(error_code, error_message, error_details));
}

void EventChannel::EventSinkImplementation::EmitEndOfStream() {
  messenger_->SendToChannel(name_, nullptr, 0);
}

}  // namespace flutter
