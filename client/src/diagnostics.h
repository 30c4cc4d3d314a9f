// One-line diagnostics on the standard error stream, each ended and flushed.
#ifndef KESTRO_CLIENT_DIAGNOSTICS_H_
#define KESTRO_CLIENT_DIAGNOSTICS_H_

#include <string_view>

namespace flutter::internal {

void WriteDiagnosticLine(std::string_view line);

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_DIAGNOSTICS_H_
