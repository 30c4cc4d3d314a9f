#include "diagnostics.h"

#include <iostream>

namespace flutter::internal {

void WriteDiagnosticLine(std::string_view line) {
  std::cerr << line << std::endl;
}

}  // namespace flutter::internal
