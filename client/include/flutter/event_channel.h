// A stream of events from native code to the UI on one named channel.
#ifndef FLUTTER_EVENT_CHANNEL_H_
#define FLUTTER_EVENT_CHANNEL_H_

#include <memory>
#include <string>

#include "flutter/binary_messenger.h"
#include "flutter/event_sink.h"
#include "flutter/method_codec.h"
#include "flutter/stream_handler.h"

namespace flutter {

// The UI opens the stream with "listen" and closes it with "cancel". Holds no
// handler itself: what SetStreamHandler installs lives in the messenger.
class EventChannel {
 public:
  // `messenger` and `codec` are not owned; the messenger must outlive the
  // installed handler and every sink made from it.
  EventChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec* codec);

  EventChannel(const EventChannel&) = delete;
  EventChannel& operator=(const EventChannel&) = delete;

  // Replaces the channel's handler without cancelling an open stream; null removes it.
  void SetStreamHandler(std::unique_ptr<StreamHandler> handler);

  // Sends each event fire-and-forget on the channel, from any thread.
  class EventSinkImplementation : public EventSink {
   public:
    EventSinkImplementation(BinaryMessenger* messenger, const std::string& name, const MethodCodec* codec);

    void EmitEvent(const EncodableValue* event) override;
    void EmitError(const std::string& error_code, const std::string& error_message,
                   const EncodableValue* error_details) override;
    void EmitEndOfStream() override;

   private:
    BinaryMessenger* messenger_;
    std::string name_;
    const MethodCodec* codec_;
  };

 private:
  BinaryMessenger* messenger_;
  std::string name_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // FLUTTER_EVENT_CHANNEL_H_
