#include "bench_input.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace kestro::bench {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Lays out `seconds` of frames whose samples `value` gives, in packets.
BenchInput LayOut(const DeviceLayout& layout, double seconds, std::uint32_t packet_frames,
                  const std::function<float(std::size_t frame, std::size_t channel)>& value) {
  BenchInput input;
  input.layout = layout;
  input.frames = static_cast<std::size_t>(seconds * layout.sample_rate);
  if (packet_frames == 0) packet_frames = static_cast<std::uint32_t>(layout.sample_rate / 100);
  const std::size_t sample_bytes = layout.is_float ? 4 : 2;
  const std::size_t channels = static_cast<std::size_t>(std::max(1, layout.channel_count));
  input.stream.resize(input.frames * channels * sample_bytes);
  for (std::size_t frame = 0; frame < input.frames; ++frame) {
    for (std::size_t channel = 0; channel < channels; ++channel) {
      const float sample_value = value(frame, channel);
      std::uint8_t* out = input.stream.data() + (frame * channels + channel) * sample_bytes;
      if (layout.is_float) {
        std::memcpy(out, &sample_value, sizeof sample_value);
      } else {
        const auto sample = static_cast<std::int16_t>(std::clamp(sample_value, -1.0f, 32767.0f / 32768.0f) * 32768.0f);
        std::memcpy(out, &sample, sizeof sample);
      }
    }
  }
  for (std::size_t first = 0; first < input.frames; first += packet_frames) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(packet_frames, input.frames - first));
    input.packets.push_back(AudioPacket{input.stream.data() + first * channels * sample_bytes, count, 0});
  }
  return input;
}

}  // namespace

BenchInput MakeInput(const DeviceLayout& layout, double seconds, std::uint32_t packet_frames) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> noise(-0.1f, 0.1f);
  return LayOut(layout, seconds, packet_frames, [&](std::size_t frame, std::size_t channel) {
    const double t = static_cast<double>(frame) / layout.sample_rate;
    return static_cast<float>(0.7 * std::sin(2 * kPi * (440.0 + 110.0 * channel) * t) +
                              0.4 * std::sin(2 * kPi * 3.0 * t)) +
           noise(random);
  });
}

BenchInput MakeToneInput(const DeviceLayout& layout, double frequency, double amplitude, double seconds) {
  return LayOut(layout, seconds, 0, [&](std::size_t frame, std::size_t) {
    return static_cast<float>(amplitude * std::sin(2 * kPi * frequency * static_cast<double>(frame) / layout.sample_rate));
  });
}

}  // namespace kestro::bench
