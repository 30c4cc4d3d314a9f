#include "flutter/pending_reply.h"

#include <utility>

#include "diagnostics.h"

namespace flutter {

PendingReply::PendingReply(ReplyCallback reply) : reply_(std::move(reply)) {}

PendingReply::~PendingReply() {
  if (reply_) {
    internal::WriteDiagnosticLine(internal::kUnansweredLine);
  }
}

void PendingReply::Respond(const std::vector<uint8_t>* reply) {
  if (!reply_) {
    internal::WriteDiagnosticLine(internal::kDuplicateResultLine);
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
