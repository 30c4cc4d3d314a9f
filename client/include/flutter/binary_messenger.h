// Named byte channels between the host and the UI.
#ifndef FLUTTER_BINARY_MESSENGER_H_
#define FLUTTER_BINARY_MESSENGER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace flutter {

// Receives the answer to a message: null bytes with length 0 is an empty answer.
// In the reply chain (ARCHITECTURE.md, Messaging) the messenger fills it with
// an EngineReply.
using ReplyCallback = std::function<void(const uint8_t* reply, size_t reply_size)>;

// Handles one incoming message; `reply` answers it, at most once, on any thread.
using ChannelMessageHandler = std::function<void(const uint8_t* message, size_t message_size, ReplyCallback reply)>;

// Plug-in libraries hand us messengers built from their own copy of this
// library, so the slot order (destructor, SendToChannel, SetChannelHandler)
// and the two callable types above must not change.
class BinaryMessenger {
 public:
  BinaryMessenger() = default;
  virtual ~BinaryMessenger() = default;
  BinaryMessenger(const BinaryMessenger&) = delete;
  BinaryMessenger& operator=(const BinaryMessenger&) = delete;

  // An empty `reply` sends without asking for an answer. Any thread.
  virtual void SendToChannel(const std::string& channel, const uint8_t* message, size_t message_size,
                             ReplyCallback reply = nullptr) const = 0;

  // An empty `handler` removes the channel's handler. Platform thread only.
  virtual void SetChannelHandler(const std::string& channel, ChannelMessageHandler handler) = 0;
};

}  // namespace flutter

#endif  // FLUTTER_BINARY_MESSENGER_H_
