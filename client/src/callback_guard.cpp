#include "callback_guard.h"

#include <exception>
#include <string>

#include "diagnostics.h"

namespace flutter::internal {

void ReportEscapedException(const char* callback_name) noexcept {
  std::string line = std::string("Error: Exception in ") + callback_name + ": ";
  try {
    throw;
  } catch (const std::exception& error) {
    line += error.what();
  } catch (...) {
    line += "unknown exception";
  }
  try {
    WriteDiagnosticLine(line);
  } catch (...) {
    // Nowhere left to report to.
  }
}

}  // namespace flutter::internal
