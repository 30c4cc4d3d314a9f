// The engine library's C interface, as the host uses it. The Windows build
// links the engine library's import library; native builds link the stand-in
// engine core, which exports the same functions.
#ifndef FLUTTER_ENGINE_LIBRARY_H_
#define FLUTTER_ENGINE_LIBRARY_H_

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "flutter/platform_types.h"

#if defined(_WIN32) && defined(KESTRO_ENGINE_LIBRARY_IMPLEMENTATION)
#define KESTRO_ENGINE_API __declspec(dllexport)
#elif defined(_WIN32) && !defined(KESTRO_ENGINE_LIBRARY_STATIC)
#define KESTRO_ENGINE_API __declspec(dllimport)
#elif defined(__GNUC__) || defined(__clang__)
#define KESTRO_ENGINE_API __attribute__((visibility("default")))
#else
#define KESTRO_ENGINE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Opaque handles of the engine library.
typedef struct FlutterDesktopEngine* FlutterDesktopEngineRef;
typedef struct FlutterDesktopViewController* FlutterDesktopViewControllerRef;
typedef struct FlutterDesktopView* FlutterDesktopViewRef;
typedef struct FlutterDesktopMessenger* FlutterDesktopMessengerRef;
typedef struct FlutterDesktopPluginRegistrar* FlutterDesktopPluginRegistrarRef;
typedef struct FlutterDesktopMessageResponseHandle FlutterDesktopMessageResponseHandle;

// What the engine loads and how it starts. Strings are borrowed for the
// duration of FlutterDesktopEngineCreate; the library copies what it keeps.
typedef struct {
  const wchar_t* assets_path;
  const wchar_t* icu_data_path;
  const wchar_t* aot_library_path;
  // Never null; empty selects the default entrypoint.
  const char* entrypoint;
  int32_t entrypoint_argc;
  // Null when entrypoint_argc is 0.
  const char** entrypoint_argv;
  int32_t option_values[3];
} FlutterDesktopEngineProperties;

// A message arriving on a channel.
typedef struct {
  size_t struct_size;
  const char* channel;
  const uint8_t* message;
  size_t message_size;
  // Spent by FlutterDesktopMessengerSendResponse.
  const FlutterDesktopMessageResponseHandle* response_handle;
} FlutterDesktopMessage;

typedef void (*FlutterDesktopMessageCallback)(FlutterDesktopMessengerRef messenger,
                                              const FlutterDesktopMessage* message, void* user_data);
typedef void (*FlutterDesktopBinaryReply)(const uint8_t* data, size_t data_size, void* user_data);
typedef void (*FlutterDesktopNextFrameCallback)(void* user_data);

// Engine.
KESTRO_ENGINE_API FlutterDesktopEngineRef FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties* properties);
KESTRO_ENGINE_API bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine);
KESTRO_ENGINE_API FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine);
KESTRO_ENGINE_API FlutterDesktopPluginRegistrarRef
FlutterDesktopEngineGetPluginRegistrar(FlutterDesktopEngineRef engine, const char* plugin_name);
KESTRO_ENGINE_API void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine);
KESTRO_ENGINE_API void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                                                FlutterDesktopNextFrameCallback callback,
                                                                void* user_data);

// View controller and view. The controller takes over the engine and runs it.
KESTRO_ENGINE_API FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                                     FlutterDesktopEngineRef engine);
KESTRO_ENGINE_API void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller);
KESTRO_ENGINE_API FlutterDesktopViewRef FlutterDesktopViewControllerGetView(FlutterDesktopViewControllerRef controller);
KESTRO_ENGINE_API void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef controller);
KESTRO_ENGINE_API bool FlutterDesktopViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef controller,
                                                                            HWND hwnd, UINT message, WPARAM wparam,
                                                                            LPARAM lparam, LRESULT* result);
KESTRO_ENGINE_API HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view);

// Messenger. These may be called from any thread.
KESTRO_ENGINE_API bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                                                   const uint8_t* message, size_t message_size);
KESTRO_ENGINE_API bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                                            const uint8_t* message, size_t message_size,
                                                            FlutterDesktopBinaryReply reply, void* user_data);
KESTRO_ENGINE_API void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                                          FlutterDesktopMessageCallback callback, void* user_data);
KESTRO_ENGINE_API void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                                           const FlutterDesktopMessageResponseHandle* handle,
                                                           const uint8_t* data, size_t data_length);
KESTRO_ENGINE_API FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger);
KESTRO_ENGINE_API void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger);
KESTRO_ENGINE_API FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger);
KESTRO_ENGINE_API void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger);
KESTRO_ENGINE_API bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger);

// Other.
KESTRO_ENGINE_API UINT FlutterDesktopGetDpiForMonitor(HMONITOR monitor);
KESTRO_ENGINE_API void FlutterDesktopResyncOutputStreams(void);

// Plug-in side: what a plug-in library reaches through its registrar. The
// host itself never calls these.
KESTRO_ENGINE_API FlutterDesktopMessengerRef
FlutterDesktopPluginRegistrarGetMessenger(FlutterDesktopPluginRegistrarRef registrar);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // FLUTTER_ENGINE_LIBRARY_H_
