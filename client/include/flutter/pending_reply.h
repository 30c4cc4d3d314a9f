// A one-shot holder of the reply to one incoming message.
#ifndef FLUTTER_PENDING_REPLY_H_
#define FLUTTER_PENDING_REPLY_H_

#include <cstdint>
#include <vector>

#include "flutter/binary_messenger.h"

namespace flutter {

// In the reply chain (ARCHITECTURE.md, Messaging): the one-shot guard between
// an EngineMethodResult and the message's ReplyCallback.
class PendingReply {
 public:
  explicit PendingReply(ReplyCallback reply);
  // Warns when the reply was never used: the UI's call then never completes.
  ~PendingReply();

  PendingReply(const PendingReply&) = delete;
  PendingReply& operator=(const PendingReply&) = delete;

  // Sends `reply` (null or empty: an empty answer) the first time; every
  // later call only reports the duplicate. Not safe against two threads at once.
  void Respond(const std::vector<uint8_t>* reply);

 private:
  ReplyCallback reply_;
};

}  // namespace flutter

#endif  // FLUTTER_PENDING_REPLY_H_
