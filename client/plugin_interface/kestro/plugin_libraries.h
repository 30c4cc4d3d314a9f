// What the host imports from the ten plug-in libraries that ship beside it:
// one registration function each, and the multi-window library's hook for
// the windows it opens. Linked at load time, so the host does not start
// without all ten.
#ifndef KESTRO_PLUGIN_LIBRARIES_H_
#define KESTRO_PLUGIN_LIBRARIES_H_

#include "flutter/engine_library.h"
#include "kestro/plugin_table.h"

#if defined(KESTRO_PLUGIN_LIBRARY_IMPLEMENTATION)
#define KESTRO_PLUGIN_API __declspec(dllexport)
#else
#define KESTRO_PLUGIN_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Each sets up that plug-in's channels on the engine the registrar belongs to.
#define KESTRO_DECLARE_REGISTRATION_FUNCTION(library, registrar_name, function) \
  KESTRO_PLUGIN_API void function(FlutterDesktopPluginRegistrarRef registrar);
KESTRO_PLUGIN_TABLE(KESTRO_DECLARE_REGISTRATION_FUNCTION)
#undef KESTRO_DECLARE_REGISTRATION_FUNCTION

// Called by the multi-window library, on the platform thread, each time it
// has created a window; the argument is that window's flutter::FlutterViewController.
typedef void (*DesktopMultiWindowWindowCreatedCallback)(void* flutter_view_controller);
KESTRO_PLUGIN_API void DesktopMultiWindowSetWindowCreatedCallback(DesktopMultiWindowWindowCreatedCallback callback);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // KESTRO_PLUGIN_LIBRARIES_H_
