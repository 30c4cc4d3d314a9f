// The specialised conversion loops against the plain ones, on random
// formats, packets and chunk lengths: every chunk and the resampler's whole
// state must agree after every packet. Seeded, so a failure reproduces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pcm_conversion.h"

namespace kestro::testing {
namespace {

struct Pipeline {
  double read_position = 0;
  std::vector<float> mono_input;
  std::vector<std::int16_t> pending_output;
  std::vector<std::vector<std::uint8_t>> chunks;

  void Packet(const AudioPacket& packet, std::int32_t channels, bool is_float, std::int32_t rate,
              std::int32_t chunk_samples, ConversionLoops loops) {
    DownMixPacket(packet, channels, is_float, mono_input, loops);
    Resample(
        ResampleStep(rate), chunk_samples, [] { return true; }, {read_position, mono_input, pending_output},
        [this](std::vector<std::uint8_t> chunk) { chunks.push_back(std::move(chunk)); }, loops);
  }
};

// Mostly audio in and slightly beyond full scale; now and then (often, in
// some packets) a value at the edges of the float range, where single and
// double precision differ.
float RandomFloatSample(std::mt19937& random, std::uint32_t edge_odds) {
  static const float kEdges[] = {0.0f,
                                 -0.0f,
                                 1.0f,
                                 -1.0f,
                                 3.0e38f,
                                 -3.0e38f,
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min(),
                                 -std::numeric_limits<float>::min(),
                                 0x1p-124f,
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()};
  if (random() % edge_odds == 0) return kEdges[random() % std::size(kEdges)];
  return std::uniform_real_distribution<float>(-1.3f, 1.3f)(random);
}

std::int32_t RandomRate(std::mt19937& random) {
  static const std::int32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 192000};
  if (random() % 3 == 0) return std::uniform_int_distribution<std::int32_t>(1000, 200000)(random);
  return kRates[random() % std::size(kRates)];
}

TEST(PcmConversionLoops, SpecialisedLoopsGiveThePlainLoopsBitsOnRandomInput) {
  for (std::uint32_t seed = 1; seed <= 100; ++seed) {
    std::mt19937 random(seed);
    const std::int32_t rate = RandomRate(random);
    const auto channels = static_cast<std::int32_t>(random() % 8 + 1);
    const bool is_float = random() % 4 != 0;
    const std::int32_t chunk_ms = std::uniform_int_distribution<std::int32_t>(-2, 700)(random);
    const std::int32_t chunk_samples = ChunkSamples(chunk_ms);
    const std::string format = "seed " + std::to_string(seed) + ": " + std::to_string(rate) + " Hz, " +
                               std::to_string(channels) + (is_float ? " float" : " int16") + " channels, " +
                               std::to_string(chunk_ms) + " ms chunks";
    SCOPED_TRACE(format);
    const std::size_t sample_bytes = is_float ? 4 : 2;
    Pipeline plain;
    Pipeline specialised;
    std::size_t frames_left = static_cast<std::size_t>(rate);  // 1 s of input
    for (int packet_index = 0; frames_left > 0; ++packet_index) {
      const auto frames = static_cast<std::uint32_t>(
          std::min<std::size_t>(frames_left, random() % 8 == 0 ? random() % 4 : random() % 2400));
      frames_left -= frames;
      std::vector<std::uint8_t> data(frames * static_cast<std::size_t>(channels) * sample_bytes + 1);
      const std::uint32_t edge_odds = random() % 4 == 0 ? 3 : 1000;
      // One byte in, so that no sample is aligned.
      for (std::size_t at = 1; at + sample_bytes <= data.size(); at += sample_bytes) {
        if (is_float) {
          const float sample = RandomFloatSample(random, edge_odds);
          std::memcpy(data.data() + at, &sample, sizeof sample);
        } else {
          const auto sample = static_cast<std::int16_t>(random());
          std::memcpy(data.data() + at, &sample, sizeof sample);
        }
      }
      AudioPacket packet{data.data() + 1, frames, random() % 20 == 0 ? kBufferFlagSilent : 0u};
      if (random() % 50 == 0) packet.data = nullptr;
      plain.Packet(packet, channels, is_float, rate, chunk_samples, ConversionLoops::kPlain);
      specialised.Packet(packet, channels, is_float, rate, chunk_samples, ConversionLoops::kSpecialised);
      ASSERT_EQ(specialised.chunks, plain.chunks) << "packet " << packet_index;
      ASSERT_EQ(specialised.pending_output, plain.pending_output) << "packet " << packet_index;
      ASSERT_EQ(specialised.read_position, plain.read_position) << "packet " << packet_index;
      // Mono samples may differ in the sign of zero only, which quantises alike.
      ASSERT_EQ(specialised.mono_input.size(), plain.mono_input.size()) << "packet " << packet_index;
      for (std::size_t k = 0; k < plain.mono_input.size(); ++k) {
        const float expected = plain.mono_input[k];
        const float actual = specialised.mono_input[k];
        ASSERT_TRUE(actual == expected || (expected != expected && actual != actual))
            << "packet " << packet_index << ", mono sample " << k << ": " << actual << " vs " << expected;
      }
    }
    EXPECT_FALSE(plain.chunks.empty() && plain.pending_output.empty());
  }
}

}  // namespace
}  // namespace kestro::testing
