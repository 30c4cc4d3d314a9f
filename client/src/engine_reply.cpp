#include "engine_reply.h"

#include <utility>

#include "diagnostics.h"

namespace flutter::internal {

namespace {
// Unlocks on every way out, exceptions included.
class MessengerLock {
 public:
  explicit MessengerLock(FlutterDesktopMessengerRef messenger) : locked_(FlutterDesktopMessengerLock(messenger)) {}
  ~MessengerLock() {
    if (locked_ != nullptr) {
      FlutterDesktopMessengerUnlock(locked_);
    }
  }
  MessengerLock(const MessengerLock&) = delete;
  MessengerLock& operator=(const MessengerLock&) = delete;

 private:
  FlutterDesktopMessengerRef locked_;
};
}  // namespace

EngineReply::EngineReply(SharedMessengerHandle messenger, const FlutterDesktopMessageResponseHandle* response_handle)
    : messenger_(std::move(messenger)), response_handle_(std::make_shared<ResponseSlot>(response_handle)) {}

void EngineReply::operator()(const uint8_t* reply, size_t reply_size) const {
  FlutterDesktopMessengerRef messenger = messenger_.get();
  if (messenger == nullptr) {
    return;
  }
  MessengerLock lock(messenger);
  if (!FlutterDesktopMessengerIsAvailable(messenger)) {
    return;
  }
  const FlutterDesktopMessageResponseHandle* response_handle = response_handle_->exchange(nullptr);
  if (response_handle == nullptr) {
    WriteDiagnosticLine("Error: Response can be set only once. Ignoring duplicate response.");
    return;
  }
  FlutterDesktopMessengerSendResponse(messenger, response_handle, reply, reply_size);
}

}  // namespace flutter::internal
