// Where a stream handler sends events, errors and the end of its stream.
#ifndef FLUTTER_EVENT_SINK_H_
#define FLUTTER_EVENT_SINK_H_

#include <string>

#include "flutter/encodable_value.h"

namespace flutter {

// Slot order (destructor, EmitEvent, EmitError, EmitEndOfStream) is fixed.
// Usable from any thread; a sink shared between threads is guarded by its owner.
class EventSink {
 public:
  EventSink() = default;
  virtual ~EventSink() = default;
  EventSink(const EventSink&) = delete;
  EventSink& operator=(const EventSink&) = delete;

  // Null: an event without a value.
  virtual void EmitEvent(const EncodableValue* event) = 0;
  // Null details: none.
  virtual void EmitError(const std::string& error_code, const std::string& error_message,
                         const EncodableValue* error_details) = 0;
  virtual void EmitEndOfStream() = 0;

  void Success() { EmitEvent(nullptr); }
  void Success(const EncodableValue& event) { EmitEvent(&event); }
  void Error(const std::string& error_code, const std::string& error_message = "") {
    EmitError(error_code, error_message, nullptr);
  }
  void Error(const std::string& error_code, const std::string& error_message, const EncodableValue& error_details) {
    EmitError(error_code, error_message, &error_details);
  }
  void EndOfStream() { EmitEndOfStream(); }
};

}  // namespace flutter

#endif  // FLUTTER_EVENT_SINK_H_
