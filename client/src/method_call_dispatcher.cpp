#include "method_call_dispatcher.h"

#include <memory>
#include <utility>

#include "diagnostics.h"
#include "flutter/engine_method_result.h"

namespace flutter::internal {

MethodCallDispatcher::MethodCallDispatcher(MethodCallFunction handler, const MethodCodec* codec,
                                           std::string channel_name)
    : handler_(std::move(handler)), codec_(codec), channel_name_(std::move(channel_name)) {}

void MethodCallDispatcher::operator()(const uint8_t* message, size_t message_size, ReplyCallback reply) const {
  Dispatch(message, message_size, std::make_unique<EngineMethodResult>(std::move(reply), codec_));
}

void MethodCallDispatcher::Dispatch(const uint8_t* message, size_t message_size,
                                    std::unique_ptr<MethodResult> result) const {
  std::unique_ptr<MethodCall> call = codec_->DecodeCall(message, message_size);
  if (!call) {
    WriteDiagnosticLine("Unable to construct method call from message on channel " + channel_name_);
    result->NotImplemented();
    return;
  }
  handler_(*call, std::move(result));
}

}  // namespace flutter::internal
