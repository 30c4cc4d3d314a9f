// The channel handler that turns messages into method calls.
#ifndef KESTRO_CLIENT_METHOD_CALL_DISPATCHER_H_
#define KESTRO_CLIENT_METHOD_CALL_DISPATCHER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "flutter/binary_messenger.h"
#include "flutter/method_channel.h"
#include "flutter/method_codec.h"

namespace flutter::internal {

// Decodes each message and hands the call, with a fresh result, to the
// handler. Runs on the platform thread.
class MethodCallDispatcher {
 public:
  MethodCallDispatcher(MethodCallFunction handler, const MethodCodec* codec, std::string channel_name);

  void operator()(const uint8_t* message, size_t message_size, ReplyCallback reply) const;

  // Decodes `message` and hands the call to the handler with `result`, or
  // answers not-implemented when it is no method call.
  void Dispatch(const uint8_t* message, size_t message_size, std::unique_ptr<MethodResult> result) const;

  const MethodCodec* codec() const { return codec_; }

 private:
  MethodCallFunction handler_;
  const MethodCodec* codec_;
  std::string channel_name_;
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_METHOD_CALL_DISPATCHER_H_
