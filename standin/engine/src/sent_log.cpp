#include "sent_log.h"

namespace standin::internal {

SentMessage& SentLog::Add() {
  if (slots_.size() < kSentMessagesKept && next_ == slots_.size()) slots_.emplace_back();
  SentMessage& slot = slots_[next_];
  next_ = (next_ + 1) % kSentMessagesKept;
  if (count_ < kSentMessagesKept) ++count_;
  return slot;
}

std::vector<SentMessage> SentLog::Messages() const {
  std::vector<SentMessage> messages;
  messages.reserve(count_);
  // Until the log first wraps, the slots fill up from the start.
  const size_t oldest = count_ < kSentMessagesKept ? 0 : next_;
  for (size_t i = 0; i < count_; ++i) messages.push_back(slots_[(oldest + i) % kSentMessagesKept]);
  return messages;
}

void SentLog::Clear() {
  next_ = 0;
  count_ = 0;
}

}  // namespace standin::internal
