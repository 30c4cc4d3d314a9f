// What every MethodResult that answers on the wire does: encode the answer
// with the call's codec, then respond with the bytes (null: not implemented).
#ifndef FLUTTER_ENCODING_METHOD_RESULT_H_
#define FLUTTER_ENCODING_METHOD_RESULT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "flutter/method_codec.h"
#include "flutter/method_result.h"

namespace flutter::internal {

// `Responder` derives from this, befriends it, and has `codec_` (not owned)
// and `void Respond(const std::vector<uint8_t>*)`, which owns the one-shot
// rule: encoding comes before it, so a duplicate answer is still encoded.
// No state of its own: the derived classes keep the field order that
// plug-in libraries built from their own copy of this library rely on.
template <typename Responder>
class EncodingMethodResult : public MethodResult {
 public:
  void Success(const EncodableValue* result) override {
    Responder& self = static_cast<Responder&>(*this);
    self.Respond(self.codec_->EncodeSuccessReply(result).get());
  }
  void Error(const std::string& error_code, const std::string& error_message,
             const EncodableValue* error_details) override {
    Responder& self = static_cast<Responder&>(*this);
    self.Respond(self.codec_->EncodeErrorReply(error_code, error_message, error_details).get());
  }
  void NotImplemented() override { static_cast<Responder&>(*this).Respond(nullptr); }

  using MethodResult::Error;
  using MethodResult::Success;
};

}  // namespace flutter::internal

#endif  // FLUTTER_ENCODING_METHOD_RESULT_H_
