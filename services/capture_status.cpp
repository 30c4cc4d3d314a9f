#include "capture_status.h"

#include <utility>

#include "audio_endpoint.h"

namespace kestro {

const char* CaptureStateName(CaptureState state) {
  switch (state) {
    case CaptureState::kStopped:
      return "stopped";
    case CaptureState::kStarting:
      return "starting";
    case CaptureState::kCapturing:
      return "capturing";
    case CaptureState::kFailed:
      return "failed";
  }
  return "stopped";
}

CaptureStatusSnapshot CaptureStatus::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return snapshot_;
}

void CaptureStatus::BeginRun() {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_ = CaptureStatusSnapshot{};
  snapshot_.state = CaptureState::kStarting;
}

void CaptureStatus::SetDevice(std::string name) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.device = std::move(name);
}

void CaptureStatus::SetFormat(const StreamFormat& format) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.format = format;
}

void CaptureStatus::SetCapturing() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (snapshot_.state == CaptureState::kStarting) snapshot_.state = CaptureState::kCapturing;
}

void CaptureStatus::SetRecovered() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (snapshot_.state != CaptureState::kStarting) return;
  snapshot_.state = CaptureState::kCapturing;
  if (!snapshot_.error) return;
  snapshot_.last_error = std::move(snapshot_.error);
  snapshot_.last_result_code = snapshot_.result_code;
  snapshot_.error.reset();
  snapshot_.result_code.reset();
}

void CaptureStatus::SetReopening() {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.state = CaptureState::kStarting;
}

void CaptureStatus::SetRetrying(const char* message, std::optional<std::uint32_t> result_code) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.error = message;
  snapshot_.result_code = result_code;
}

void CaptureStatus::SetFailed(const char* message, std::optional<std::uint32_t> result_code) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.state = CaptureState::kFailed;
  snapshot_.error = message;
  snapshot_.result_code = result_code;
}

void CaptureStatus::SetStopped() {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.state = CaptureState::kStopped;
}

void CaptureStatus::CountChunk(bool delivered) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++(delivered ? snapshot_.chunks_emitted : snapshot_.chunks_dropped);
}

void CaptureStatus::CountSilence(std::uint64_t samples) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.silence_samples += samples;
}

void CaptureStatus::CountDeviceSwitch() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++snapshot_.device_switches;
}

}  // namespace kestro

namespace kestro {

void CaptureStatus::CountPacketFlags(std::uint32_t flags) {
  if ((flags & (kBufferFlagDiscontinuity | kBufferFlagTimestampError)) == 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if ((flags & kBufferFlagDiscontinuity) != 0) ++snapshot_.discontinuities;
  if ((flags & kBufferFlagTimestampError) != 0) ++snapshot_.timestamp_errors;
}

void CaptureStatus::SetOsBuild(std::optional<std::uint32_t> build) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.os_build = build;
}

void CaptureStatus::SetQuality(const char* quality) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.quality = quality;
}

void CaptureStatus::SetExclusion(bool in_effect, const char* failed_call, std::optional<std::uint32_t> result_code) {
  ExclusionStatus exclusion;
  exclusion.in_effect = in_effect;
  if (failed_call != nullptr) exclusion.failed_call = failed_call;
  exclusion.result_code = result_code;
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.exclusion = std::move(exclusion);
}

}  // namespace kestro
