// The engine library's C interface, over the stand-in core. No exception
// leaves these functions: the host is C code as far as they know.
#include "flutter/engine_library.h"

#include <exception>
#include <string>

#include "core.h"
#include "diagnostics.h"
#include "ui_port/ui_port.h"

namespace {

using standin::internal::Core;

void ReportFailure(const char* function, const char* what) noexcept {
  try {
    standin::internal::Diagnose(std::string(function) + " failed: " + what);
  } catch (...) {
  }
}

template <typename Result, typename Body>
Result Guarded(const char* function, Result fallback, Body body) noexcept {
  try {
    return body();
  } catch (const std::exception& error) {
    ReportFailure(function, error.what());
  } catch (...) {
    ReportFailure(function, "unknown exception");
  }
  return fallback;
}

template <typename Body>
void Guarded(const char* function, Body body) noexcept {
  Guarded(function, 0, [&] {
    body();
    return 0;
  });
}

}  // namespace

extern "C" {

FlutterDesktopEngineRef FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties* properties) {
  return Guarded(__func__, FlutterDesktopEngineRef{nullptr}, [&] {
    standin::internal::StartUiPortFromEnvironment();
    FlutterDesktopEngineRef created = Core::Instance().CreateEngine(properties);
    if (created == nullptr) standin::internal::StopUiPortWithoutEngines();
    return created;
  });
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine) {
  return Guarded(__func__, false, [&] {
    const bool destroyed = Core::Instance().DestroyEngine(engine);
    standin::internal::StopUiPortWithoutEngines();
    return destroyed;
  });
}

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  return Guarded(__func__, FlutterDesktopMessengerRef{nullptr}, [&] { return Core::Instance().MessengerOf(engine); });
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(FlutterDesktopEngineRef engine,
                                                                        const char* plugin_name) {
  return Guarded(__func__, FlutterDesktopPluginRegistrarRef{nullptr},
                 [&] { return Core::Instance().Registrar(engine, plugin_name); });
}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine) {
  Guarded(__func__, [&] { Core::Instance().ReloadFonts(engine); });
}

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine, FlutterDesktopNextFrameCallback callback,
                                              void* user_data) {
  Guarded(__func__, [&] { Core::Instance().SetNextFrame(engine, callback, user_data); });
}

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                   FlutterDesktopEngineRef engine) {
  return Guarded(__func__, FlutterDesktopViewControllerRef{nullptr}, [&] {
    // A controller that cannot be made ends its engine.
    FlutterDesktopViewControllerRef created = Core::Instance().CreateViewController(width, height, engine);
    if (created == nullptr) standin::internal::StopUiPortWithoutEngines();
    return created;
  });
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  Guarded(__func__, [&] {
    Core::Instance().DestroyViewController(controller);
    standin::internal::StopUiPortWithoutEngines();
  });
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(FlutterDesktopViewControllerRef controller) {
  return Guarded(__func__, FlutterDesktopViewRef{nullptr}, [&] { return Core::Instance().ViewOf(controller); });
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef controller) {
  Guarded(__func__, [&] { Core::Instance().ForceRedraw(controller); });
}

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef controller, HWND hwnd,
                                                          UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  return Guarded(__func__, false, [&] {
    return Core::Instance().HandleWindowProc(controller, {hwnd, message, wparam, lparam, false}, result);
  });
}

HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) {
  return Guarded(__func__, HWND{nullptr}, [&] { return Core::Instance().WindowOf(view); });
}

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message,
                                 size_t message_size) {
  return Guarded(__func__, false, [&] { return Core::Instance().Send(messenger, channel, message, message_size); });
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                          const uint8_t* message, size_t message_size, FlutterDesktopBinaryReply reply,
                                          void* user_data) {
  return Guarded(__func__, false, [&] {
    return Core::Instance().SendWithReply(messenger, channel, message, message_size, reply, user_data);
  });
}

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  Guarded(__func__, [&] { Core::Instance().SetCallback(messenger, channel, callback, user_data); });
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                         const FlutterDesktopMessageResponseHandle* handle, const uint8_t* data,
                                         size_t data_length) {
  Guarded(__func__, [&] { Core::Instance().SendResponse(messenger, handle, data, data_length); });
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  return Guarded(__func__, FlutterDesktopMessengerRef{nullptr}, [&] { return Core::Instance().AddRef(messenger); });
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  Guarded(__func__, [&] { Core::Instance().Release(messenger); });
}

FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  return Guarded(__func__, FlutterDesktopMessengerRef{nullptr}, [&] { return Core::Instance().Lock(messenger); });
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger) {
  Guarded(__func__, [&] { Core::Instance().Unlock(messenger); });
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  return Guarded(__func__, false, [&] { return Core::Instance().IsAvailable(messenger); });
}

UINT FlutterDesktopGetDpiForMonitor(HMONITOR monitor) {
  return Guarded(__func__, UINT{96}, [&] { return Core::Instance().MonitorDpi(monitor); });
}

void FlutterDesktopResyncOutputStreams(void) {
  Guarded(__func__, [&] { Core::Instance().Resync(); });
}

FlutterDesktopMessengerRef FlutterDesktopPluginRegistrarGetMessenger(FlutterDesktopPluginRegistrarRef registrar) {
  return Guarded(__func__, FlutterDesktopMessengerRef{nullptr},
                 [&] { return Core::Instance().RegistrarMessenger(registrar); });
}

}  // extern "C"
