#include "capture_protection_channel.h"

#include <cstdint>
#include <string>

#include "window_channel.h"

namespace kestro {

namespace {
constexpr char kChannel[] = "kestro/capture_protection";
constexpr std::uint32_t kAffinityNone = 0;
constexpr std::uint32_t kAffinityExcludeFromCapture = 0x11;

// Only a bare bool is read; anything else, a map holding false included,
// asks for hiding.
bool ExcludeFlagFromArguments(const flutter::EncodableValue* arguments) {
  if (arguments == nullptr) return true;
  const bool* flag = arguments->TryGet<bool>();
  return flag == nullptr || *flag;
}
}  // namespace

void HandleCaptureProtectionCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                                 HWND window, WindowSystem& window_system) {
  const std::string& method = call.method_name();
  if (method == "set_exclude_from_capture") {
    const std::uint32_t affinity =
        ExcludeFlagFromArguments(call.arguments()) ? kAffinityExcludeFromCapture : kAffinityNone;
    result->Success(flutter::EncodableValue(window_system.SetWindowDisplayAffinity(window, affinity) == 1));
  } else if (method == "get_exclude_from_capture") {
    std::uint32_t affinity = kAffinityNone;
    const bool read = window_system.GetWindowDisplayAffinity(window, &affinity) == 1;
    result->Success(flutter::EncodableValue(read && affinity == kAffinityExcludeFromCapture));
  } else {
    result->NotImplemented();
  }
}

void RegisterCaptureProtectionChannel(flutter::FlutterEngine* engine, HWND window) {
  RegisterCaptureProtectionChannel(engine, window, PlatformWindowSystem());
}

void RegisterCaptureProtectionChannel(flutter::FlutterEngine* engine, HWND window, WindowSystem& window_system) {
  if (engine == nullptr || window == nullptr) return;
  SetWindowChannelHandler(*engine, kChannel, window, window_system, HandleCaptureProtectionCall);
}

}  // namespace kestro
