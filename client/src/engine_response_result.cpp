#include "engine_response_result.h"

#include <memory>
#include <utility>

#include "diagnostics.h"

namespace flutter::internal {

EngineResponseResult::EngineResponseResult(MessengerReference messenger,
                                           const FlutterDesktopMessageResponseHandle* response_handle,
                                           const MethodCodec* codec)
    : response_(std::move(messenger), response_handle), codec_(codec) {}

EngineResponseResult::~EngineResponseResult() {
  if (!answered_) WriteDiagnosticLine(kUnansweredLine);
}

void EngineResponseResult::Respond(const std::vector<uint8_t>* reply) {
  if (answered_) {
    WriteDiagnosticLine(kDuplicateResultLine);
    return;
  }
  answered_ = true;
  if (reply != nullptr && !reply->empty()) {
    response_.Send(reply->data(), reply->size());
  } else {
    response_.Send(nullptr, 0);
  }
}

}  // namespace flutter::internal
