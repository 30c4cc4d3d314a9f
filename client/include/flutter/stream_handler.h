// The native side of an event channel: opens and closes the stream.
#ifndef FLUTTER_STREAM_HANDLER_H_
#define FLUTTER_STREAM_HANDLER_H_

#include <memory>
#include <string>
#include <utility>

#include "flutter/encodable_value.h"
#include "flutter/event_sink.h"

namespace flutter {

struct StreamHandlerError {
  StreamHandlerError(std::string code, std::string message, std::unique_ptr<EncodableValue> details = nullptr)
      : code(std::move(code)), message(std::move(message)), details(std::move(details)) {}

  std::string code;
  std::string message;
  std::unique_ptr<EncodableValue> details;
};

// Slot order (destructor, OnListen, OnCancel) is fixed. Both run on the
// platform thread; a null result means success.
class StreamHandler {
 public:
  StreamHandler() = default;
  virtual ~StreamHandler() = default;
  StreamHandler(const StreamHandler&) = delete;
  StreamHandler& operator=(const StreamHandler&) = delete;

  // A handler that keeps `events` moves it out; otherwise the caller destroys it.
  virtual std::unique_ptr<StreamHandlerError> OnListen(const EncodableValue* arguments,
                                                       std::unique_ptr<EventSink>&& events) = 0;
  virtual std::unique_ptr<StreamHandlerError> OnCancel(const EncodableValue* arguments) = 0;
};

}  // namespace flutter

#endif  // FLUTTER_STREAM_HANDLER_H_
