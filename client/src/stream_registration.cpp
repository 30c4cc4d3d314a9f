#include "stream_registration.h"

#include <sstream>
#include <utility>

#include "diagnostics.h"
#include "flutter/event_channel.h"

namespace flutter::internal {

StreamRegistration::StreamRegistration(std::shared_ptr<StreamHandler> handler, const MethodCodec* codec,
                                       std::string channel_name, BinaryMessenger* messenger)
    : handler_(std::move(handler)), codec_(codec), channel_name_(std::move(channel_name)), messenger_(messenger) {}

namespace {
// Null or empty bytes go out as the empty answer.
void SendAnswer(const ReplyCallback& reply, const std::vector<uint8_t>* answer) {
  if (!reply) {
    return;
  }
  if (answer != nullptr && !answer->empty()) {
    reply(answer->data(), answer->size());
  } else {
    reply(nullptr, 0);
  }
}
}  // namespace

void StreamRegistration::operator()(const uint8_t* message, size_t message_size, const ReplyCallback& reply) {
  std::unique_ptr<MethodCall> call = codec_->DecodeCall(message, message_size);
  if (!call) {
    WriteDiagnosticLine("Unable to construct method call from message on channel: " + channel_name_);
    SendAnswer(reply, nullptr);
    return;
  }
  std::unique_ptr<std::vector<uint8_t>> answer;
  if (call->method_name() == "listen") {
    answer = Listen(*call);
  } else if (call->method_name() == "cancel") {
    answer = Cancel(*call);
  }
  SendAnswer(reply, answer.get());
}

std::unique_ptr<std::vector<uint8_t>> StreamRegistration::Listen(const MethodCall& call) {
  if (listening_) {
    std::unique_ptr<StreamHandlerError> error = handler_->OnCancel(nullptr);
    if (error) {
      // The one diagnostic of the library that ends without a line end.
      std::ostringstream text;
      text << "Failed to cancel existing stream: " << error->code << ", " << error->message << ", "
           << static_cast<const void*>(error->details.get());
      WriteDiagnosticText(text.str());
    }
  }
  listening_ = true;
  std::unique_ptr<EventSink> sink =
      std::make_unique<EventChannel::EventSinkImplementation>(messenger_, channel_name_, codec_);
  std::unique_ptr<StreamHandlerError> error = handler_->OnListen(call.arguments(), std::move(sink));
  return EncodeOutcome(error.get());
}

std::unique_ptr<std::vector<uint8_t>> StreamRegistration::Cancel(const MethodCall& call) {
  if (!listening_) {
    return codec_->EncodeErrorReply("error", "No active stream to cancel", nullptr);
  }
  // Closed whatever the handler answers.
  listening_ = false;
  std::unique_ptr<StreamHandlerError> error = handler_->OnCancel(call.arguments());
  return EncodeOutcome(error.get());
}

std::unique_ptr<std::vector<uint8_t>> StreamRegistration::EncodeOutcome(const StreamHandlerError* error) const {
  if (error == nullptr) {
    return codec_->EncodeSuccessReply(nullptr);
  }
  return codec_->EncodeErrorReply(error->code, error->message, error->details.get());
}

}  // namespace flutter::internal
