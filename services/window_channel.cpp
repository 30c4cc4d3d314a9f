#include "window_channel.h"

#include <utility>

#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"

namespace kestro {

void SetWindowChannelHandler(flutter::FlutterEngine& engine, const char* channel, HWND window,
                             WindowSystem& window_system, WindowCallHandler handler) {
  // The handler lives in the messenger; the channel object may go.
  const flutter::MethodChannel method_channel(engine.Messenger(), channel, &flutter::StandardMethodCodec::Shared());
  WindowSystem* system = &window_system;
  method_channel.SetMethodCallHandler(
      [window, system, handler](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        handler(call, std::move(result), window, *system);
      });
}

}  // namespace kestro
