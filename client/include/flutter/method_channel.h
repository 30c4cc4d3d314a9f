// Method calls from the UI on one named channel, answered by a native handler.
#ifndef FLUTTER_METHOD_CHANNEL_H_
#define FLUTTER_METHOD_CHANNEL_H_

#include <functional>
#include <memory>
#include <string>

#include "flutter/binary_messenger.h"
#include "flutter/method_call.h"
#include "flutter/method_codec.h"
#include "flutter/method_result.h"

namespace flutter {

// `call` is valid only during the call; `result` may be kept and answered
// later, from any thread.
using MethodCallFunction = std::function<void(const MethodCall& call, std::unique_ptr<MethodResult> result)>;

// Holds no handler itself: what SetMethodCallHandler installs lives in the
// messenger, so the channel object may be discarded afterwards.
class MethodChannel {
 public:
  // `messenger` and `codec` are not owned; the messenger must outlive every
  // handler installed through this channel.
  MethodChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec* codec);

  MethodChannel(const MethodChannel&) = delete;
  MethodChannel& operator=(const MethodChannel&) = delete;

  // Replaces the channel's handler; an empty `handler` removes it.
  void SetMethodCallHandler(const MethodCallFunction& handler) const;

 private:
  BinaryMessenger* messenger_;
  std::string name_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // FLUTTER_METHOD_CHANNEL_H_
