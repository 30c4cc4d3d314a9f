// Method calls and reply envelopes in the standard message format.
#ifndef FLUTTER_STANDARD_METHOD_CODEC_H_
#define FLUTTER_STANDARD_METHOD_CODEC_H_

#include "flutter/method_codec.h"
#include "flutter/standard_codec_serializer.h"

namespace flutter {

class StandardMethodCodec : public MethodCodec {
 public:
  // The one codec bound to `serializer` (the shared serializer when null),
  // created on first request and kept for the life of the process. Called
  // from the platform thread while channels are made.
  static const StandardMethodCodec& Shared(const StandardCodecSerializer* serializer = nullptr);

  // `serializer` is not owned and must outlive the codec.
  explicit StandardMethodCodec(const StandardCodecSerializer* serializer) : serializer_(serializer) {}

  std::unique_ptr<MethodCall> DecodeCall(const uint8_t* message, size_t message_size) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeCall(const MethodCall& call) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeSuccessReply(const EncodableValue* result) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeErrorReply(const std::string& error_code,
                                                         const std::string& error_message,
                                                         const EncodableValue* error_details) const override;
  bool DecodeReply(const uint8_t* reply, size_t reply_size, MethodResult* result) const override;

 private:
  const StandardCodecSerializer* serializer_;
};

}  // namespace flutter

#endif  // FLUTTER_STANDARD_METHOD_CODEC_H_
