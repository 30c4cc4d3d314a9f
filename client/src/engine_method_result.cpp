#include "flutter/engine_method_result.h"

#include <utility>

namespace flutter {

EngineMethodResult::EngineMethodResult(ReplyCallback reply, const MethodCodec* codec)
    : reply_(std::move(reply)), codec_(codec) {}

// Encoding comes before the one-shot check in Respond.
void EngineMethodResult::Success(const EncodableValue* result) {
  reply_.Respond(codec_->EncodeSuccessReply(result).get());
}

void EngineMethodResult::Error(const std::string& error_code, const std::string& error_message,
                               const EncodableValue* error_details) {
  reply_.Respond(codec_->EncodeErrorReply(error_code, error_message, error_details).get());
}

void EngineMethodResult::NotImplemented() {
  reply_.Respond(nullptr);
}

}  // namespace flutter
