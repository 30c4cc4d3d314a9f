// Plug-in libraries whose channel answers "ping" only.
#include "standin_plugin.h"

namespace standin_plugin {

bool HandleOwnCall(const flutter::MethodCall&, std::unique_ptr<flutter::MethodResult>&) {
  return false;
}

}  // namespace standin_plugin
