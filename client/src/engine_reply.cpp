#include "engine_reply.h"

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

EngineReply::Shared::Shared(FlutterDesktopMessengerRef added_reference,
                            const FlutterDesktopMessageResponseHandle* response_handle)
    : messenger(added_reference), response_handle(response_handle) {}

EngineReply::Shared::~Shared() {
  if (messenger != nullptr) {
    FlutterDesktopMessengerRelease(messenger);
  }
}

std::shared_ptr<EngineReply::Shared> EngineReply::ShareReference(
    FlutterDesktopMessengerRef added_reference, const FlutterDesktopMessageResponseHandle* response_handle) {
  try {
    return std::make_shared<Shared>(added_reference, response_handle);
  } catch (...) {
    // Nothing owns the reference yet.
    if (added_reference != nullptr) {
      FlutterDesktopMessengerRelease(added_reference);
    }
    throw;
  }
}

EngineReply::EngineReply(FlutterDesktopMessengerRef added_reference,
                         const FlutterDesktopMessageResponseHandle* response_handle)
    : shared_(ShareReference(added_reference, response_handle)) {}

void EngineReply::operator()(const uint8_t* reply, size_t reply_size) const {
  FlutterDesktopMessengerRef messenger = shared_->messenger;
  if (messenger == nullptr) {
    return;
  }
  MessengerLock lock(messenger);
  if (!FlutterDesktopMessengerIsAvailable(messenger)) {
    return;
  }
  const FlutterDesktopMessageResponseHandle* response_handle = shared_->response_handle.exchange(nullptr);
  if (response_handle == nullptr) {
    WriteDiagnosticLine("Error: Response can be set only once. Ignoring duplicate response.");
    return;
  }
  FlutterDesktopMessengerSendResponse(messenger, response_handle, reply, reply_size);
}

}  // namespace flutter::internal
