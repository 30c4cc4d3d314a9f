// Ten seconds of device packets in the layouts the pipeline benchmark runs.
#ifndef KESTRO_BENCH_AUDIO_BENCH_INPUT_H_
#define KESTRO_BENCH_AUDIO_BENCH_INPUT_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio_endpoint.h"

namespace kestro::bench {

struct DeviceLayout {
  std::string name;
  std::int32_t sample_rate;
  std::int32_t channel_count;
  bool is_float;
};

// 10 ms packets of a deterministic mix of tones and noise that now and then
// goes beyond full scale, so that the quantiser's clamps are exercised.
struct BenchInput {
  DeviceLayout layout;
  std::vector<std::uint8_t> stream;
  std::vector<AudioPacket> packets;  // pointing into stream
  std::size_t frames = 0;
};

BenchInput MakeInput(const DeviceLayout& layout, double seconds, std::uint32_t packet_frames = 0);

// A sine of `frequency` and `amplitude` in every channel, 10 ms packets.
BenchInput MakeToneInput(const DeviceLayout& layout, double frequency, double amplitude, double seconds);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_AUDIO_BENCH_INPUT_H_
