// The one writer of diagnostic lines on the standard error stream, for the
// client library, the services and the shell alike.
#ifndef KESTRO_PLATFORM_DIAGNOSTICS_H_
#define KESTRO_PLATFORM_DIAGNOSTICS_H_

#include <cstdint>
#include <string_view>

namespace kestro {

// Writes the line and its line end in one write, then flushes, so that
// lines written by several threads at once never mix.
void WriteDiagnosticLine(std::string_view line);

// Writes the text as it is, in one write, then flushes.
void WriteDiagnosticText(std::string_view text);

// Call only inside a catch block: "Error: <context>: <what>", with
// "unknown exception" for one that is not a std::exception.
void ReportEscapedException(std::string_view context) noexcept;

// "Error: <call> failed: 0x<code>", the code in eight hexadecimal digits:
// an HRESULT, or what GetLastError gave.
void ReportPlatformFailure(std::string_view call, std::uint32_t code) noexcept;

}  // namespace kestro

#endif  // KESTRO_PLATFORM_DIAGNOSTICS_H_
