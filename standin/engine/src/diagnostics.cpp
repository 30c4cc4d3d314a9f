#include "diagnostics.h"

#include <string>

#include "kestro/platform/diagnostics.h"

namespace standin::internal {

void Diagnose(std::string_view text) {
  std::string line = "standin: ";
  line.append(text);
  kestro::WriteDiagnosticLine(line);
}

}  // namespace standin::internal
