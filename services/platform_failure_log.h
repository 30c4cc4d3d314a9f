// Lines for failing platform calls of the capture thread's endpoints.
// While a lost device is being re-opened, a call retried every few hundred
// milliseconds would otherwise write the same line again and again.
#ifndef KESTRO_SERVICES_PLATFORM_FAILURE_LOG_H_
#define KESTRO_SERVICES_PLATFORM_FAILURE_LOG_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

// Capture thread only.
class PlatformFailureLog {
 public:
  // "Error: <call> failed: 0x<code>"; during an outage, once per call.
  void Report(std::string_view call, std::uint32_t code) noexcept;
  // From now on each failing call is written once, until EndOutage.
  void BeginOutage() noexcept;
  // Writes one line saying capture recovered, if an outage was open and
  // some attempt failed.
  void EndOutage(int failed_attempts) noexcept;
  bool InOutage() const { return in_outage_; }

 private:
  bool in_outage_ = false;
  std::vector<std::string> reported_;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_PLATFORM_FAILURE_LOG_H_
