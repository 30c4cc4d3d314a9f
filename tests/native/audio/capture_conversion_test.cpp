// What the capture pipeline makes of the packets a device delivers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "capture_probe.h"

namespace kestro::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Quantised values of j/8 for j = 0..6: trunc(j/8 x 32767).
constexpr std::int16_t kEighths[] = {0, 4095, 8191, 12287, 16383, 20479, 24575};

TEST(CaptureResampling, At48kHzEveryThirdMonoSampleIsPickedWithoutInterpolation) {
  AudioRecording recording;
  recording.format = FloatFormat(48000, 2);
  // Frame k averages to (k % 7) / 8; 480-frame packets as the device gives.
  for (int packet = 0; packet < 10; ++packet) {
    std::vector<float> samples;
    for (int frame = 0; frame < 480; ++frame) {
      const float level = static_cast<float>((packet * 480 + frame) % 7) / 8.0f;
      samples.push_back(level - 0.25f);
      samples.push_back(level + 0.25f);
    }
    recording.AddFloatPacket(samples);
  }
  const auto output = CaptureAll(recording, 10);
  ASSERT_EQ(output.size(), 1600u);  // 4800 frames in steps of 3
  for (std::size_t n = 0; n < output.size(); ++n) {
    ASSERT_EQ(output[n], kEighths[(3 * n) % 7]) << "sample " << n;
  }
}

TEST(CaptureResampling, ChunkOf600msConsumesAbout600msOfInput) {
  AudioRecording recording;
  recording.format = FloatFormat(48000, 2);
  const std::vector<float> packet(480 * 2, 0.25f);
  for (int k = 0; k < 61; ++k) recording.AddFloatPacket(packet);  // 610 ms
  std::vector<std::vector<std::uint8_t>> chunks;
  CaptureAll(recording, 600, &chunks);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].size(), 600u * 32u);
}

TEST(CaptureResampling, At44100HzOutputInterpolatesBetweenNeighbours) {
  AudioRecording recording;
  recording.format = FloatFormat(44100, 1);
  // A ramp of 1/4096 per input sample: interpolated output follows it
  // exactly, a nearest or picked sample would be off by up to 22 steps.
  std::vector<float> ramp;
  for (int k = 0; k < 4000; ++k) ramp.push_back(static_cast<float>(k) / 4096.0f);
  for (std::size_t start = 0; start < ramp.size(); start += 441) {
    const auto end = std::min(ramp.size(), start + 441);
    recording.AddFloatPacket(std::vector<float>(ramp.begin() + start, ramp.begin() + end));
  }
  const auto output = CaptureAll(recording, 10);
  ASSERT_EQ(output.size(), 1440u);
  EXPECT_EQ(output[1], 22);  // position 2.75625: 2.75625 / 4096 x 32767 = 22.05
  for (std::size_t n = 0; n < output.size(); ++n) {
    const double ideal = n * 2.75625 / 4096.0 * 32767.0;
    ASSERT_NEAR(output[n], ideal, 1.0) << "sample " << n;
  }
}

TEST(CaptureResampling, At16kHzEveryInputSampleGivesOneOutputSample) {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 1);
  recording.AddFloatPacket({0.125f, 0.25f, 0.375f});
  recording.AddFloatPacket({0.5f, 0.625f, 0.75f, 0.0f});
  // The last input sample waits for a right-hand neighbour.
  EXPECT_THAT(CaptureAll(recording, 0), ElementsAre(4095, 8191, 12287, 16383, 20479, 24575));
}

TEST(CaptureResampling, FirstOutputNeedsTwoInputSamples) {
  AudioRecording one_frame;
  one_frame.format = FloatFormat(16000, 1);
  one_frame.AddFloatPacket({0.5f});
  EXPECT_THAT(CaptureAll(one_frame, 0), ::testing::IsEmpty());

  AudioRecording two_single_frames = one_frame;
  two_single_frames.AddFloatPacket({0.25f});
  EXPECT_THAT(CaptureAll(two_single_frames, 0), ElementsAre(16383));
}

TEST(CaptureDownMix, SilentPacketsAndPacketsWithoutDataBecomeZerosNotGaps) {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 2);
  recording.AddFloatPacket({0.5f, 0.5f, 0.5f, 0.5f});
  recording.AddFloatPacket({0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, kBufferFlagSilent);
  recording.AddNullPacket(2);
  recording.AddFloatPacket({0.5f, 0.5f, 0.5f, 0.5f}, 1 /* discontinuity: ignored */);
  EXPECT_THAT(CaptureAll(recording, 0), ElementsAre(16383, 16383, 0, 0, 0, 0, 0, 16383));
}

TEST(CaptureDownMix, ChannelsAreAveraged) {
  AudioRecording stereo16;
  stereo16.format = Int16Format(16000, 2);
  stereo16.AddInt16Packet({16384, -16384, 16384, 16384, -32768, -32768, 0, 0});
  EXPECT_THAT(CaptureAll(stereo16, 0), ElementsAre(0, 16383, -32767));

  AudioRecording three_floats;
  three_floats.format = FloatFormat(16000, 3);
  three_floats.AddFloatPacket({0.75f, 0.25f, 0.5f, 1.0f, 1.0f, -0.5f, 0.0f, 0.0f, 0.0f});
  EXPECT_THAT(CaptureAll(three_floats, 0), ElementsAre(16383, 16383));

  AudioRecording no_channels;  // a channel count of 0 reads as mono
  no_channels.format = FloatFormat(16000, 0);
  no_channels.AddFloatPacket({0.5f, 0.25f});
  EXPECT_THAT(CaptureAll(no_channels, 0), ElementsAre(16383));
}

TEST(CaptureDownMix, ExtensibleFormatsAreReadByTheirSubformat) {
  AudioRecording float_stereo;
  float_stereo.format = ExtensibleFormat(16000, 2, 32, kSubtypeIeeeFloat);
  float_stereo.AddFloatPacket({0.5f, 0.5f, 0.25f, 0.25f});
  EXPECT_THAT(CaptureAll(float_stereo, 0), ElementsAre(16383));

  AudioRecording pcm_mono;
  pcm_mono.format = ExtensibleFormat(16000, 1, 16, kSubtypePcm);
  pcm_mono.AddInt16Packet({16384, 0});
  EXPECT_THAT(CaptureAll(pcm_mono, 0), ElementsAre(16383));

  AudioRecording unknown_subformat;  // read as 16-bit integers
  unknown_subformat.format = ExtensibleFormat(16000, 1, 16, FormatGuid{});
  unknown_subformat.AddInt16Packet({-16384, 0});
  EXPECT_THAT(CaptureAll(unknown_subformat, 0), ElementsAre(-16383));
}

TEST(CaptureQuantiser, FullScaleMapsToPlusMinus32767AndHalfTo16383) {
  AudioRecording floats;
  floats.format = FloatFormat(16000, 1);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  floats.AddFloatPacket({1.0f, -1.0f, 2.5f, -7.0f, 0.5f, -0.5f, 0.25f, nan, 0.0f});
  // NaN, which no sound device gives, becomes silence, and it spoils the
  // interpolation of its left neighbour too.
  EXPECT_THAT(CaptureAll(floats, 0), ElementsAre(32767, -32767, 32767, -32767, 16383, -16383, 0, 0));

  AudioRecording int16s;
  int16s.format = Int16Format(16000, 1);
  int16s.AddInt16Packet({32767, -32768, 16384, -1, 0});
  EXPECT_THAT(CaptureAll(int16s, 0), ElementsAre(32766, -32767, 16383, 0));
}

TEST(CaptureChunks, HoldChunkMsTimes16SamplesAsLittleEndianBytes) {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 1);
  std::vector<float> samples(1000, 0.5f);
  samples[0] = -0.5f;  // -16383 = 0xC001
  recording.AddFloatPacket(samples);
  std::vector<std::vector<std::uint8_t>> chunks;
  CaptureAll(recording, 20, &chunks);
  ASSERT_EQ(chunks.size(), 3u);  // 999 samples make three chunks of 320
  EXPECT_THAT(chunks, Each(::testing::SizeIs(640)));
  EXPECT_THAT(std::vector<std::uint8_t>(chunks[0].begin(), chunks[0].begin() + 4), ElementsAre(0x01, 0xC0, 0xFF, 0x3F));
}

TEST(CaptureChunks, ZeroOrNegativeChunkLengthGivesOneSampleChunks) {
  for (const std::int32_t chunk_ms : {0, -1, -600}) {
    AudioRecording recording;
    recording.format = FloatFormat(16000, 1);
    recording.AddFloatPacket({0.5f, 0.5f, 0.5f, 0.5f});
    std::vector<std::vector<std::uint8_t>> chunks;
    CaptureAll(recording, chunk_ms, &chunks);
    EXPECT_THAT(chunks, ElementsAreArray(std::vector<std::vector<std::uint8_t>>(3, {0xFF, 0x3F})))
        << "chunk_ms " << chunk_ms;
  }
}

}  // namespace
}  // namespace kestro::testing
