// The MethodResult that encodes each answer and sends it as the message's reply.
#ifndef FLUTTER_ENGINE_METHOD_RESULT_H_
#define FLUTTER_ENGINE_METHOD_RESULT_H_

#include <cstdint>
#include <vector>

#include "flutter/binary_messenger.h"
#include "flutter/encoding_method_result.h"
#include "flutter/method_codec.h"
#include "flutter/pending_reply.h"

namespace flutter {

// In the reply chain (ARCHITECTURE.md, Messaging): what a method call
// handler answers through; hands the encoded answer to its PendingReply.
class EngineMethodResult : public internal::EncodingMethodResult<EngineMethodResult> {
 public:
  // `codec` is not owned.
  EngineMethodResult(ReplyCallback reply, const MethodCodec* codec);

 private:
  friend class internal::EncodingMethodResult<EngineMethodResult>;
  void Respond(const std::vector<uint8_t>* reply) { reply_.Respond(reply); }

  PendingReply reply_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // FLUTTER_ENGINE_METHOD_RESULT_H_
