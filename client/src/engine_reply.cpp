#include "engine_reply.h"

#include <utility>

#include "diagnostics.h"

namespace flutter::internal {

EngineResponse::EngineResponse(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle)
    : messenger_(std::move(messenger)), response_handle_(response_handle) {}

void EngineResponse::Send(const uint8_t* reply, size_t reply_size) {
  messenger_.IfEngineAvailable([&] {
    const FlutterDesktopMessageResponseHandle* response_handle = response_handle_.exchange(nullptr);
    if (response_handle == nullptr) {
      WriteDiagnosticLine("Error: Response can be set only once. Ignoring duplicate response.");
      return;
    }
    FlutterDesktopMessengerSendResponse(messenger_.get(), response_handle, reply, reply_size);
  });
}

EngineReply::EngineReply(MessengerReference messenger, const FlutterDesktopMessageResponseHandle* response_handle)
    : response_(std::make_shared<EngineResponse>(std::move(messenger), response_handle)) {}

}  // namespace flutter::internal
