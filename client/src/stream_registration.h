// The channel handler that runs an event channel's listen/cancel protocol.
#ifndef KESTRO_CLIENT_STREAM_REGISTRATION_H_
#define KESTRO_CLIENT_STREAM_REGISTRATION_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "flutter/binary_messenger.h"
#include "flutter/method_call.h"
#include "flutter/method_codec.h"
#include "flutter/stream_handler.h"

namespace flutter::internal {

// Platform thread only; `listening` is not locked.
class StreamRegistration {
 public:
  StreamRegistration(std::shared_ptr<StreamHandler> handler, const MethodCodec* codec, std::string channel_name,
                     BinaryMessenger* messenger);

  void operator()(const uint8_t* message, size_t message_size, const ReplyCallback& reply);

 private:
  std::unique_ptr<std::vector<uint8_t>> Listen(const MethodCall& call);
  std::unique_ptr<std::vector<uint8_t>> Cancel(const MethodCall& call);
  std::unique_ptr<std::vector<uint8_t>> EncodeOutcome(const StreamHandlerError* error) const;

  std::shared_ptr<StreamHandler> handler_;
  const MethodCodec* codec_;
  std::string channel_name_;
  BinaryMessenger* messenger_;
  bool listening_ = false;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_STREAM_REGISTRATION_H_
