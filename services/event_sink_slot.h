// The event sink of the current listener, shared between the platform
// thread (listen, cancel) and the capture thread (sending chunks).
#ifndef KESTRO_SERVICES_EVENT_SINK_SLOT_H_
#define KESTRO_SERVICES_EVENT_SINK_SLOT_H_

#include <memory>
#include <mutex>

#include "flutter/event_sink.h"

namespace kestro {

// The lock guards only a copy, a store or a reset of the pointer: a sender
// works on its own copy, so a cancel meanwhile neither waits for the send
// nor destroys the sink under it.
class EventSinkSlot {
 public:
  void Store(std::unique_ptr<flutter::EventSink> sink) {
    std::shared_ptr<flutter::EventSink> shared(std::move(sink));
    std::lock_guard<std::mutex> hold(lock_);
    sink_.swap(shared);
    // The sink replaced here is released after the lock, by `shared`.
  }

  void Reset() {
    std::shared_ptr<flutter::EventSink> released;
    std::lock_guard<std::mutex> hold(lock_);
    sink_.swap(released);
  }

  std::shared_ptr<flutter::EventSink> Get() const {
    std::lock_guard<std::mutex> hold(lock_);
    return sink_;
  }

 private:
  mutable std::mutex lock_;
  std::shared_ptr<flutter::EventSink> sink_;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_EVENT_SINK_SLOT_H_
