#include "kestro/platform/diagnostics.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <string>

#include "kestro/platform/log_file.h"

namespace kestro {

namespace {
std::atomic<LogFile*> diagnostic_log{nullptr};
}  // namespace

void SetDiagnosticLog(LogFile* log) {
  diagnostic_log.store(log, std::memory_order_release);
}

// Through C stdio rather than std::cerr, which shares its buffer anyway:
// <iostream> costs every module that includes it the standard streams'
// set-up when it loads, about 0.7 ms under Wine for each of kestro.exe and
// the libraries loaded before its window shows.
void WriteDiagnosticText(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  if (LogFile* log = diagnostic_log.load(std::memory_order_acquire)) {
    try {
      log->Write(text);
    } catch (...) {
      // Out of memory for the record: standard error has the line.
    }
  }
}

void WriteDiagnosticLine(std::string_view line) {
  std::string whole;
  whole.reserve(line.size() + 1);
  whole.append(line).push_back('\n');
  WriteDiagnosticText(whole);
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
