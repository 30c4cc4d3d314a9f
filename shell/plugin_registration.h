// The ten plug-ins the user interface uses, registered with one engine.
#ifndef KESTRO_SHELL_PLUGIN_REGISTRATION_H_
#define KESTRO_SHELL_PLUGIN_REGISTRATION_H_

#include "flutter/plugin_registry.h"

namespace kestro {

// Each plug-in, in a fixed order, gets the registrar of its name; a null
// registrar is passed on as it is.
void RegisterAllPlugins(flutter::PluginRegistry* registry);

}  // namespace kestro

#endif  // KESTRO_SHELL_PLUGIN_REGISTRATION_H_
