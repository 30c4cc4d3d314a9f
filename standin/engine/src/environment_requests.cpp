#include "environment_requests.h"

#include <cstdlib>
#include <string>

#include "diagnostics.h"

namespace standin::internal {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

EnvironmentRequests ReadEnvironmentRequests() {
  EnvironmentRequests requests;
  const std::string failures = Variable("KESTRO_STANDIN_FAIL");
  size_t start = 0;
  while (start <= failures.size() && !failures.empty()) {
    size_t end = failures.find(',', start);
    if (end == std::string::npos) end = failures.size();
    const std::string word = failures.substr(start, end - start);
    if (word == "engine") {
      requests.fail_engine_creation = true;
    } else if (word == "view_controller") {
      requests.fail_view_controller_creation = true;
    } else if (!word.empty()) {
      Diagnose("KESTRO_STANDIN_FAIL: unknown failure \"" + word + "\" (known: engine, view_controller); ignored");
    }
    start = end + 1;
  }
  const std::string hold = Variable("KESTRO_STANDIN_HOLD_FRAMES");
  if (hold == "1") {
    requests.hold_frames = true;
  } else if (!hold.empty() && hold != "0") {
    Diagnose("KESTRO_STANDIN_HOLD_FRAMES=\"" + hold + "\" is neither 0 nor 1; frames are not held");
  }
  return requests;
}

}  // namespace standin::internal
