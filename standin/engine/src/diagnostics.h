// One-line diagnostics of the stand-in on the standard error stream.
#ifndef STANDIN_ENGINE_DIAGNOSTICS_H_
#define STANDIN_ENGINE_DIAGNOSTICS_H_

#include <string_view>

namespace standin::internal {

// Writes "standin: " + text as one diagnostic line.
void Diagnose(std::string_view text);

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_DIAGNOSTICS_H_
