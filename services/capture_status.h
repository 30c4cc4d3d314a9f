// What a capture engine is doing, written on its capture thread and read on
// the owner's thread: the answer to the UI's status question.
#ifndef KESTRO_SERVICES_CAPTURE_STATUS_H_
#define KESTRO_SERVICES_CAPTURE_STATUS_H_

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace kestro {

enum class CaptureState { kStopped, kStarting, kCapturing, kFailed };

const char* CaptureStateName(CaptureState state);

struct StreamFormat {
  std::int32_t sample_rate = 0;
  std::int32_t channels = 0;
  bool is_float = false;
};

// Asked for with "exclude_own_audio": whether it is in effect, and if not,
// the step that refused it.
struct ExclusionStatus {
  bool in_effect = false;
  std::optional<std::string> failed_call;
  std::optional<std::uint32_t> result_code;
};

struct CaptureStatusSnapshot {
  CaptureState state = CaptureState::kStopped;
  std::optional<std::string> error;
  // The failing platform call's result code, as the platform gives it
  // (an HRESULT read as unsigned).
  std::optional<std::uint32_t> result_code;
  // The failure that a recovered capture got over (re-opening a lost
  // device): kept apart, as it no longer describes the capture.
  std::optional<std::string> last_error;
  std::optional<std::uint32_t> last_result_code;
  std::optional<std::string> device;
  std::optional<StreamFormat> format;
  // Counted since the last Start that launched a capture.
  std::uint64_t chunks_emitted = 0;
  std::uint64_t chunks_dropped = 0;
  std::uint64_t silence_samples = 0;
  std::uint64_t device_switches = 0;
  // Packets flagged by the device.
  std::uint64_t discontinuities = 0;
  std::uint64_t timestamp_errors = 0;
  std::optional<std::uint32_t> os_build;
  // Only when the capture asked to leave its own sound out.
  std::optional<ExclusionStatus> exclusion;
  // Only when the capture asked for "quality" "high": the conversion in
  // effect for the device's rate, "high" or "standard".
  const char* quality = nullptr;
};

// Each call takes the lock only for its own copy or update, and calls
// nothing else meanwhile, so it nests under no other lock.
class CaptureStatus {
 public:
  CaptureStatusSnapshot Snapshot() const;

  // A new capture: state starting, everything else cleared.
  void BeginRun();
  void SetDevice(std::string name);
  void SetFormat(const StreamFormat& format);
  void SetCapturing();
  // Re-opened after the device was lost: state capturing, and a failure of
  // the attempts becomes the last error.
  void SetRecovered();
  // Re-opening after the device was lost: state starting.
  void SetReopening();
  // A failed attempt to re-open: recorded, while the state stays starting.
  void SetRetrying(const char* message, std::optional<std::uint32_t> result_code);
  // Keeps the state failed until SetStopped or BeginRun.
  void SetFailed(const char* message, std::optional<std::uint32_t> result_code);
  // The other fields keep describing the last capture.
  void SetStopped();
  void CountChunk(bool delivered);
  void CountSilence(std::uint64_t samples);
  void CountDeviceSwitch();
  void CountPacketFlags(std::uint32_t flags);
  void SetOsBuild(std::optional<std::uint32_t> build);
  // The filtered conversion was asked for; `quality` is the one in effect.
  void SetQuality(const char* quality);
  // Exclusion was asked for: in effect, or refused at `failed_call`.
  void SetExclusion(bool in_effect, const char* failed_call = nullptr,
                    std::optional<std::uint32_t> result_code = std::nullopt);

 private:
  mutable std::mutex mutex_;
  CaptureStatusSnapshot snapshot_;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_CAPTURE_STATUS_H_
