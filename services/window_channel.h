// A service channel bound to one engine view's window: capture protection
// and text insertion install their handlers the same way.
#ifndef KESTRO_SERVICES_WINDOW_CHANNEL_H_
#define KESTRO_SERVICES_WINDOW_CHANNEL_H_

#include <memory>

#include "flutter/flutter_engine.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"
#include "flutter/platform_types.h"
#include "window_system.h"

namespace kestro {

using WindowCallHandler = void (*)(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                                   HWND window, WindowSystem& window_system);

// Installs `handler` for `channel` (standard method codec) on the engine's
// messenger, acting on `window` through `window_system`, which must outlive
// the engine.
void SetWindowChannelHandler(flutter::FlutterEngine& engine, const char* channel, HWND window,
                             WindowSystem& window_system, WindowCallHandler handler);

}  // namespace kestro

#endif  // KESTRO_SERVICES_WINDOW_CHANNEL_H_
