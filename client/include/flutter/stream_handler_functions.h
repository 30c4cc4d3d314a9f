// A StreamHandler built from two callables.
#ifndef FLUTTER_STREAM_HANDLER_FUNCTIONS_H_
#define FLUTTER_STREAM_HANDLER_FUNCTIONS_H_

#include <functional>
#include <memory>

#include "flutter/stream_handler.h"

namespace flutter {

using ListenFunction = std::function<std::unique_ptr<StreamHandlerError>(const EncodableValue* arguments,
                                                                         std::unique_ptr<EventSink>&& events)>;
using CancelFunction = std::function<std::unique_ptr<StreamHandlerError>(const EncodableValue* arguments)>;

// An empty callable answers its method with an "error" of its own.
class StreamHandlerFunctions : public StreamHandler {
 public:
  StreamHandlerFunctions(ListenFunction on_listen, CancelFunction on_cancel);

  std::unique_ptr<StreamHandlerError> OnListen(const EncodableValue* arguments,
                                               std::unique_ptr<EventSink>&& events) override;
  std::unique_ptr<StreamHandlerError> OnCancel(const EncodableValue* arguments) override;

 private:
  ListenFunction on_listen_;
  CancelFunction on_cancel_;
};

}  // namespace flutter

#endif  // FLUTTER_STREAM_HANDLER_FUNCTIONS_H_
