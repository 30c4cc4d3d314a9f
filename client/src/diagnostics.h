// The client library writes its diagnostic lines through the writer that
// every layer shares.
#ifndef KESTRO_CLIENT_DIAGNOSTICS_H_
#define KESTRO_CLIENT_DIAGNOSTICS_H_

#include "kestro/platform/diagnostics.h"

namespace flutter::internal {

using kestro::WriteDiagnosticLine;
using kestro::WriteDiagnosticText;

// A method result's one-shot rule, said the same way by every kind of result.
inline constexpr char kDuplicateResultLine[] =
    "Error: Only one of Success, Error, or NotImplemented can be called,"
    " and it can be called exactly once. Ignoring duplicate result.";
inline constexpr char kUnansweredLine[] = "Warning: Failed to respond to a message. This is a memory leak.";

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_DIAGNOSTICS_H_
