// Keeps exceptions from crossing back into the engine library, which calls
// us through plain C callbacks.
#ifndef KESTRO_CLIENT_CALLBACK_GUARD_H_
#define KESTRO_CLIENT_CALLBACK_GUARD_H_

#include <string>

#include "kestro/platform/diagnostics.h"

namespace flutter::internal {

// Runs `body`; an exception it lets escape becomes the line
// "Error: Exception in <callback_name>: <what>".
template <typename Body>
void RunGuarded(const char* callback_name, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    try {
      kestro::ReportEscapedException(std::string("Exception in ") + callback_name);
    } catch (...) {
      // No memory for the context: nowhere left to report to.
    }
  }
}

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_CALLBACK_GUARD_H_
