// How plug-ins find their registrars.
#ifndef FLUTTER_PLUGIN_REGISTRY_H_
#define FLUTTER_PLUGIN_REGISTRY_H_

#include <string>

#include "flutter/engine_library.h"

namespace flutter {

// Slot order (destructor, GetPluginRegistrar) is fixed: plug-in libraries
// hand us engines built from their own copy of this library.
class PluginRegistry {
 public:
  PluginRegistry() = default;
  virtual ~PluginRegistry() = default;
  PluginRegistry(const PluginRegistry&) = delete;
  PluginRegistry& operator=(const PluginRegistry&) = delete;

  // Null on failure.
  virtual FlutterDesktopPluginRegistrarRef GetPluginRegistrar(const std::string& plugin_name) = 0;
};

}  // namespace flutter

#endif  // FLUTTER_PLUGIN_REGISTRY_H_
