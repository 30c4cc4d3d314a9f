#include "kestro/platform/diagnostics.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

namespace kestro {

void WriteDiagnosticLine(std::string_view line) {
  std::string whole;
  whole.reserve(line.size() + 1);
  whole.append(line).push_back('\n');
  std::cerr.write(whole.data(), static_cast<std::streamsize>(whole.size()));
  std::cerr.flush();
}

void ReportEscapedException(std::string_view context) noexcept {
  try {
    std::string line = "Error: ";
    line.append(context).append(": ");
    try {
      throw;
    } catch (const std::exception& exception) {
      line.append(exception.what());
    } catch (...) {
      line.append("unknown exception");
    }
    WriteDiagnosticLine(line);
  } catch (...) {
    // Out of memory for the message itself: nothing left to report with.
  }
}

void ReportPlatformFailure(std::string_view call, std::uint32_t code) noexcept {
  try {
    char hex[11];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
    std::string line = "Error: ";
    line.append(call).append(" failed: ").append(hex);
    WriteDiagnosticLine(line);
  } catch (...) {
    // As above.
  }
}

}  // namespace kestro
