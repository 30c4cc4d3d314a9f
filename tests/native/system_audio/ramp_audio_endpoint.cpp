#include "ramp_audio_endpoint.h"

#include <chrono>
#include <cstring>
#include <memory>

#include "present_audio_endpoint.h"

namespace kestro::testing {

namespace {

constexpr std::uint32_t kPacketFrames = 160;  // 10 ms

const MixFormat kRampFormat{kWaveFormatIeeeFloat, 1, 16000, 32, {}};

class RampEndpoint : public PresentAudioEndpoint {
 public:
  RampEndpoint(double speed, std::uint64_t packet_limit)
      : PresentAudioEndpoint(kRampFormat), speed_(speed), frame_limit_(packet_limit * kPacketFrames) {}

  bool GetNextPacketSize(std::uint32_t& frames) override {
    frames = kPacketFrames;
    if (frame_limit_ != 0 && next_ >= frame_limit_) frames = 0;
    if (speed_ > 0) {
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
      if (elapsed.count() * 16000 * speed_ < static_cast<double>(next_ + kPacketFrames)) frames = 0;
    }
    return true;
  }
  bool GetBuffer(AudioPacket& packet) override {
    for (float& sample : packet_) {
      // Half a step above k, so that truncation after scaling gives k.
      sample = (static_cast<float>(next_ % kRampPeriod) + 0.5f) / 32767.0f;
      ++next_;
    }
    packet.data = reinterpret_cast<const std::uint8_t*>(packet_.data());
    packet.frames = kPacketFrames;
    packet.flags = 0;
    return true;
  }

 private:
  const double speed_;
  const std::uint64_t frame_limit_;
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::vector<float> packet_ = std::vector<float>(kPacketFrames);
  std::uint64_t next_ = 0;
};

}  // namespace

AudioEndpointFactory RampEndpointFactory(double speed, std::uint64_t packet_limit) {
  return [speed, packet_limit] { return std::make_unique<RampEndpoint>(speed, packet_limit); };
}

std::vector<std::int16_t> SamplesOf(const std::vector<std::vector<std::uint8_t>>& chunks) {
  std::vector<std::int16_t> samples;
  for (const auto& chunk : chunks) {
    const size_t first = samples.size();
    samples.resize(first + chunk.size() / 2);
    std::memcpy(samples.data() + first, chunk.data(), chunk.size() / 2 * 2);
  }
  return samples;
}

bool IsUnbrokenRamp(const std::vector<std::int16_t>& samples) {
  for (size_t i = 1; i < samples.size(); ++i) {
    if (samples[i] != (samples[i - 1] + 1) % kRampPeriod) return false;
  }
  return true;
}

}  // namespace kestro::testing
