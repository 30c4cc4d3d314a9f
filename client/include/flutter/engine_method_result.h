// The MethodResult that encodes each answer and sends it as the message's reply.
#ifndef FLUTTER_ENGINE_METHOD_RESULT_H_
#define FLUTTER_ENGINE_METHOD_RESULT_H_

#include <memory>
#include <string>

#include "flutter/binary_messenger.h"
#include "flutter/method_codec.h"
#include "flutter/method_result.h"
#include "flutter/pending_reply.h"

namespace flutter {

// In the reply chain (ARCHITECTURE.md, Messaging): what a method call
// handler answers through; hands the encoded answer to its PendingReply.
class EngineMethodResult : public MethodResult {
 public:
  // `codec` is not owned.
  EngineMethodResult(ReplyCallback reply, const MethodCodec* codec);

  void Success(const EncodableValue* result) override;
  void Error(const std::string& error_code, const std::string& error_message,
             const EncodableValue* error_details) override;
  void NotImplemented() override;

  using MethodResult::Error;
  using MethodResult::Success;

 private:
  PendingReply reply_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // FLUTTER_ENGINE_METHOD_RESULT_H_
