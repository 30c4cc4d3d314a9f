// The client library writes its diagnostic lines through the writer that
// every layer shares.
#ifndef KESTRO_CLIENT_DIAGNOSTICS_H_
#define KESTRO_CLIENT_DIAGNOSTICS_H_

#include "kestro/platform/diagnostics.h"

namespace flutter::internal {

using kestro::WriteDiagnosticLine;
using kestro::WriteDiagnosticText;

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_DIAGNOSTICS_H_
