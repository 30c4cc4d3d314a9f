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
  const PluginEntry plugins[] = {
      {"DesktopMultiWindowPlugin", DesktopMultiWindowPluginRegisterWithRegistrar},
      {"FlutterAcrylicPlugin", FlutterAcrylicPluginRegisterWithRegistrar},
      {"FlutterTtsPlugin", FlutterTtsPluginRegisterWithRegistrar},
      {"HotkeyManagerWindowsPluginCApi", HotkeyManagerWindowsPluginCApiRegisterWithRegistrar},
      {"RecordWindowsPluginCApi", RecordWindowsPluginCApiRegisterWithRegistrar},
      {"ScreenCapturerWindowsPluginCApi", ScreenCapturerWindowsPluginCApiRegisterWithRegistrar},
      {"ScreenRetrieverWindowsPluginCApi", ScreenRetrieverWindowsPluginCApiRegisterWithRegistrar},
      {"TrayManagerPlugin", TrayManagerPluginRegisterWithRegistrar},
      {"UrlLauncherWindows", UrlLauncherWindowsRegisterWithRegistrar},
      {"WindowManagerPlugin", WindowManagerPluginRegisterWithRegistrar},
  };
  for (const PluginEntry& plugin : plugins) {
    plugin.register_with_registrar(registry->GetPluginRegistrar(plugin.registrar_name));
  }
}

}  // namespace kestro
