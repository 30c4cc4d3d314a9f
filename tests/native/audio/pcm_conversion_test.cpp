// The conversion pipeline's memory bounds, driven without a capture thread.
#include <gtest/gtest.h>

#include "pcm_conversion.h"

namespace kestro::testing {
namespace {

TEST(PipelineMemory, MonoInputStaysBoundedAndGrowsOnlyToFitAPacket) {
  const std::vector<float> packet_samples(480 * 2, 0.25f);
  const AudioPacket packet{reinterpret_cast<const std::uint8_t*>(packet_samples.data()), 480, 0};
  double read_position = 0;
  std::vector<float> mono_input;
  std::vector<std::int16_t> pending_output;
  const ResamplerState state{read_position, mono_input, pending_output};
  int chunks = 0;
  for (int k = 0; k < 1000; ++k) {  // 10 s at 48 kHz with 2000 ms chunks
    const std::size_t capacity_before = mono_input.capacity();
    DownMixPacket(packet, 2, true, mono_input);
    if (mono_input.capacity() != capacity_before) {
      ASSERT_EQ(mono_input.capacity(), mono_input.size()) << "packet " << k;
    }
    Resample(
        3.0, ChunkSamples(2000), [] { return true; }, state,
        [&chunks](std::vector<std::uint8_t> chunk) {
          ASSERT_EQ(chunk.size(), 64000u);
          ++chunks;
        });
    ASSERT_LE(mono_input.size(), 4096u + 3u + 480u) << "packet " << k;
  }
  EXPECT_EQ(chunks, 5);
}

TEST(PipelineMemory, ChunkSamplesWrapsIn32BitsAndIsAtLeastOne) {
  EXPECT_EQ(ChunkSamples(80), 1280);
  EXPECT_EQ(ChunkSamples(600), 9600);
  EXPECT_EQ(ChunkSamples(0), 1);
  EXPECT_EQ(ChunkSamples(-5), 1);
  EXPECT_EQ(ChunkSamples(0x10000000), 1);  // 2^32 wraps to 0
  EXPECT_EQ(ChunkSamples(0x7FFFFFFF), 1);  // wraps negative
}

}  // namespace
}  // namespace kestro::testing
