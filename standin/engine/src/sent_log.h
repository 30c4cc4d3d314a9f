// The most recent sends of the host, kept for the test API. Slots are reused
// once the log is full, so a send copies into storage that already has the
// capacity instead of allocating.
#ifndef STANDIN_ENGINE_SENT_LOG_H_
#define STANDIN_ENGINE_SENT_LOG_H_

#include <cstddef>
#include <vector>

#include "standin/engine_test_api.h"

namespace standin::internal {

class SentLog {
 public:
  // The slot for the next send, now the newest; the caller fills every field.
  SentMessage& Add();
  // Oldest first.
  std::vector<SentMessage> Messages() const;
  // Forgets the sends; their storage stays for reuse.
  void Clear();

 private:
  std::vector<SentMessage> slots_;  // grows to kSentMessagesKept
  size_t next_ = 0;
  size_t count_ = 0;
};

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_SENT_LOG_H_
