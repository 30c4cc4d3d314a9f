#include "engine_reply.h"

#include <utility>

#include "diagnostics.h"

namespace flutter::internal {

EngineReply::Shared::Shared(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle)
    : messenger(std::move(messenger)), response_handle(response_handle) {}

EngineReply::EngineReply(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle)
    : shared_(std::make_shared<Shared>(std::move(messenger), response_handle)) {}

void EngineReply::operator()(const uint8_t* reply, size_t reply_size) const {
  Shared& shared = *shared_;
  shared.messenger.IfEngineAvailable([&] {
    const FlutterDesktopMessageResponseHandle* response_handle = shared.response_handle.exchange(nullptr);
    if (response_handle == nullptr) {
      WriteDiagnosticLine("Error: Response can be set only once. Ignoring duplicate response.");
      return;
    }
    FlutterDesktopMessengerSendResponse(shared.messenger.get(), response_handle, reply, reply_size);
  });
}

}  // namespace flutter::internal
