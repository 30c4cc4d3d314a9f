// One-line diagnostics of the shell on the standard error stream.
#ifndef KESTRO_SHELL_DIAGNOSTICS_H_
#define KESTRO_SHELL_DIAGNOSTICS_H_

#include <exception>
#include <string_view>

namespace kestro {

// The line, then a line end and a flush.
void WriteDiagnosticLine(std::string_view line);

// "Error: <where> failed: <what>" for an exception caught at a boundary
// that C code calls through; `exception` may be null for a non-standard one.
void ReportEscapedException(std::string_view where, const std::exception* exception);

}  // namespace kestro

#endif  // KESTRO_SHELL_DIAGNOSTICS_H_
