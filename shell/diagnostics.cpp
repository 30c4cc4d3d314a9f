#include "diagnostics.h"

#include <iostream>
#include <string>

namespace kestro {

void WriteDiagnosticLine(std::string_view line) { std::cerr << line << std::endl; }

void ReportEscapedException(std::string_view where, const std::exception* exception) {
  try {
    std::string line = "Error: ";
    line.append(where).append(" failed: ").append(exception != nullptr ? exception->what() : "unknown exception");
    WriteDiagnosticLine(line);
  } catch (...) {
    // Out of memory for the message itself: nothing left to report with.
  }
}

}  // namespace kestro
