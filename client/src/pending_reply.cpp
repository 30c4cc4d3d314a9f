#include "flutter/pending_reply.h"

#include <utility>

#include "diagnostics.h"

namespace flutter {

PendingReply::PendingReply(ReplyCallback reply) : reply_(std::move(reply)) {}

PendingReply::~PendingReply() {
  if (reply_) {
    internal::WriteDiagnosticLine("Warning: Failed to respond to a message. This is a memory leak.");
  }
}

void PendingReply::Respond(const std::vector<uint8_t>* reply) {
  if (!reply_) {
    internal::WriteDiagnosticLine(
        "Error: Only one of Success, Error, or NotImplemented can be called,"
        " and it can be called exactly once. Ignoring duplicate result.");
    return;
  }
  // Spent before the call, so the holder is empty even if the callback throws.
  ReplyCallback callback = std::move(reply_);
  reply_ = nullptr;
  if (reply != nullptr && !reply->empty()) {
    callback(reply->data(), reply->size());
  } else {
    callback(nullptr, 0);
  }
}

}  // namespace flutter
