// The result of a method call that came straight from the engine library.
#ifndef KESTRO_CLIENT_ENGINE_RESPONSE_RESULT_H_
#define KESTRO_CLIENT_ENGINE_RESPONSE_RESULT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "engine_reply.h"
#include "flutter/encoding_method_result.h"
#include "flutter/method_codec.h"

namespace flutter::internal {

// What EngineMethodResult, PendingReply and EngineReply do together, for a
// call the messenger hands to a method channel's dispatcher directly: it
// encodes each answer and sends it through the message's EngineResponse. One
// allocation per call where that chain takes three. Same one-shot rule and
// lines as PendingReply; not safe against two threads answering at once.
class EngineResponseResult : public EncodingMethodResult<EngineResponseResult> {
 public:
  // `codec` is not owned.
  EngineResponseResult(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle,
                       const MethodCodec* codec);
  // Warns when the call was never answered: the UI's call then never completes.
  ~EngineResponseResult() override;

 private:
  friend class EncodingMethodResult<EngineResponseResult>;
  void Respond(const std::vector<uint8_t>* reply);

  EngineResponse response_;
  const MethodCodec* codec_;
  bool answered_ = false;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_ENGINE_RESPONSE_RESULT_H_
