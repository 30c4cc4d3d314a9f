#include "plugin_registration.h"

#include "kestro/plugin_libraries.h"

namespace kestro {

namespace {
struct PluginEntry {
  const char* registrar_name;
  void (*register_with_registrar)(FlutterDesktopPluginRegistrarRef registrar);
};
}  // namespace

void RegisterAllPlugins(flutter::PluginRegistry* registry) {
  // Imported functions have no constant address, hence a table built per call.
#define KESTRO_PLUGIN_ENTRY(library, registrar_name, function) {registrar_name, function},
  const PluginEntry plugins[] = {KESTRO_PLUGIN_TABLE(KESTRO_PLUGIN_ENTRY)};
#undef KESTRO_PLUGIN_ENTRY
  for (const PluginEntry& plugin : plugins) {
    plugin.register_with_registrar(registry->GetPluginRegistrar(plugin.registrar_name));
  }
}

}  // namespace kestro
