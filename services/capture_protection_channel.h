// "kestro/capture_protection": hides one engine view's window from screen
// capture through its display affinity, and tells whether it is hidden.
#ifndef KESTRO_SERVICES_CAPTURE_PROTECTION_CHANNEL_H_
#define KESTRO_SERVICES_CAPTURE_PROTECTION_CHANNEL_H_

#include <memory>

#include "flutter/flutter_engine.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"
#include "flutter/platform_types.h"
#include "window_system.h"

namespace kestro {

// Installs the channel on the engine's messenger, acting on `window`. A null
// engine or window installs nothing. `window_system` must outlive the engine.
void RegisterCaptureProtectionChannel(flutter::FlutterEngine* engine, HWND window);
void RegisterCaptureProtectionChannel(flutter::FlutterEngine* engine, HWND window, WindowSystem& window_system);

void HandleCaptureProtectionCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                                 HWND window, WindowSystem& window_system);

}  // namespace kestro

#endif  // KESTRO_SERVICES_CAPTURE_PROTECTION_CHANNEL_H_
