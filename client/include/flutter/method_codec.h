// The abstract method codec: frames calls and reply envelopes.
#ifndef FLUTTER_METHOD_CODEC_H_
#define FLUTTER_METHOD_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flutter/encodable_value.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"

namespace flutter {

class MethodCodec {
 public:
  MethodCodec() = default;
  virtual ~MethodCodec() = default;
  MethodCodec(const MethodCodec&) = delete;
  MethodCodec& operator=(const MethodCodec&) = delete;

  // Null when the message is not a method call.
  virtual std::unique_ptr<MethodCall> DecodeCall(const uint8_t* message, size_t message_size) const = 0;
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeCall(const MethodCall& call) const = 0;
  // Null result: success without a value.
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeSuccessReply(const EncodableValue* result) const = 0;
  // An empty message goes out as null; null details as null.
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeErrorReply(const std::string& error_code,
                                                                 const std::string& error_message,
                                                                 const EncodableValue* error_details) const = 0;
  // Hands the reply to `result` (Success or Error) and returns true when the
  // envelope was understood; false, calling nothing, otherwise.
  virtual bool DecodeReply(const uint8_t* reply, size_t reply_size, MethodResult* result) const = 0;
};

}  // namespace flutter

#endif  // FLUTTER_METHOD_CODEC_H_
