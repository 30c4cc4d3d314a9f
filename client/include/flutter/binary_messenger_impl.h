// The binary messenger over the engine library's messenger handle.
#ifndef FLUTTER_BINARY_MESSENGER_IMPL_H_
#define FLUTTER_BINARY_MESSENGER_IMPL_H_

#include <map>
#include <string>

#include "flutter/binary_messenger.h"
#include "flutter/engine_library.h"

namespace flutter {

class BinaryMessengerImpl : public BinaryMessenger {
 public:
  // `messenger_handle` is borrowed: no reference is added or released.
  explicit BinaryMessengerImpl(FlutterDesktopMessengerRef messenger_handle);
  // Destroys the handlers without unregistering them: the engine is gone by now.
  ~BinaryMessengerImpl() override;

  void SendToChannel(const std::string& channel, const uint8_t* message, size_t message_size,
                     ReplyCallback reply = nullptr) const override;
  void SetChannelHandler(const std::string& channel, ChannelMessageHandler handler) override;

  // The engine library's messenger, for code that must hold its lock.
  FlutterDesktopMessengerRef messenger_handle() const { return messenger_handle_; }

 private:
  FlutterDesktopMessengerRef messenger_handle_;
  // Map nodes never move, so a stored handler's address, registered with the
  // engine library as user data, stays valid while its entry exists.
  std::map<std::string, ChannelMessageHandler> channel_handlers_;
};

}  // namespace flutter

#endif  // FLUTTER_BINARY_MESSENGER_IMPL_H_
