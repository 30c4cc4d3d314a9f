#include "platform_failure_log.h"

#include <algorithm>

#include "kestro/platform/diagnostics.h"

namespace kestro {

void PlatformFailureLog::Report(std::string_view call, std::uint32_t code) noexcept {
  if (in_outage_) {
    if (std::find(reported_.begin(), reported_.end(), call) != reported_.end()) return;
    try {
      reported_.emplace_back(call);
    } catch (...) {
      // Unremembered, the call may be written again: better than not at all.
    }
  }
  ReportPlatformFailure(call, code);
}

void PlatformFailureLog::BeginOutage() noexcept {
  in_outage_ = true;
  reported_.clear();
}

void PlatformFailureLog::EndOutage(int failed_attempts) noexcept {
  const bool was_out = in_outage_;
  in_outage_ = false;
  reported_.clear();
  // A switch that opened at once was no outage anyone needs to hear of.
  if (!was_out || failed_attempts == 0) return;
  try {
    WriteDiagnosticLine("Audio capture re-opened on the default device after " + std::to_string(failed_attempts) +
                        " failed attempt" + (failed_attempts == 1 ? "" : "s"));
  } catch (...) {
    // Only the line is lost.
  }
}

}  // namespace kestro
