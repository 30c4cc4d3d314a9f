// An endless 16 kHz mono float device whose samples quantise to a ramp
// 0, 1, ..., 4095, 0, 1, ...: any lost or repeated sample shows as a break
// in the ramp.
#ifndef KESTRO_TESTS_NATIVE_SYSTEM_AUDIO_RAMP_AUDIO_ENDPOINT_H_
#define KESTRO_TESTS_NATIVE_SYSTEM_AUDIO_RAMP_AUDIO_ENDPOINT_H_

#include <cstdint>
#include <vector>

#include "audio_endpoint.h"

namespace kestro::testing {

inline constexpr int kRampPeriod = 4096;

// Packets come `speed` times faster than real time; at 0 a packet always
// waits, so capture runs flat out. After `packet_limit` packets (0: none)
// the device falls silent without failing.
AudioEndpointFactory RampEndpointFactory(double speed = 0, std::uint64_t packet_limit = 0);

// The samples of byte-list chunks, in order.
std::vector<std::int16_t> SamplesOf(const std::vector<std::vector<std::uint8_t>>& chunks);

// Whether every sample follows its predecessor on the ramp.
bool IsUnbrokenRamp(const std::vector<std::int16_t>& samples);

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_SYSTEM_AUDIO_RAMP_AUDIO_ENDPOINT_H_
