// The filtered conversion ("quality": "high"): its response measured on
// tones at the rates devices run at, its phase and latency, and chunks that
// do not depend on how the device splits its packets.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "capture_probe.h"
#include "filtered_resampler.h"

namespace kestro::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAmplitude = 0.5;
// Output skipped before measuring: the filter's onset ringing on a tone
// that starts at full level.
constexpr std::size_t kSettleSamples = 160;

// The filtered conversion of a stereo float tone, fed in 10 ms packets.
std::vector<std::int16_t> ConvertTone(std::int32_t rate, double frequency, double seconds) {
  const auto frames = static_cast<std::size_t>(rate * seconds);
  std::vector<float> stereo(frames * 2);
  for (std::size_t k = 0; k < frames; ++k) {
    stereo[2 * k] = stereo[2 * k + 1] =
        static_cast<float>(kAmplitude * std::sin(2.0 * kPi * frequency * static_cast<double>(k) / rate));
  }
  FilteredResampler resampler;
  resampler.Configure(rate);
  std::vector<std::int16_t> pending;
  const std::size_t packet = static_cast<std::size_t>(rate / 100);
  for (std::size_t first = 0; first < frames; first += packet) {
    const AudioPacket part{reinterpret_cast<const std::uint8_t*>(stereo.data() + 2 * first),
                           static_cast<std::uint32_t>(std::min(packet, frames - first)), 0};
    // One chunk that never fills: the samples stay in `pending`.
    resampler.Convert(part, 2, true, 1 << 30, [] { return true; }, pending, [](std::vector<std::uint8_t>) {});
  }
  return pending;
}

// How far below the input tone the whole output lies, in dB.
double RejectionDb(const std::vector<std::int16_t>& output) {
  double energy = 0;
  for (std::size_t k = kSettleSamples; k < output.size(); ++k) energy += double(output[k]) * output[k];
  const double rms = std::sqrt(energy / double(output.size() - kSettleSamples)) / 32767.0;
  return rms == 0 ? 200.0 : 20.0 * std::log10(kAmplitude / std::sqrt(2.0) / rms);
}

// The output's level at `frequency` relative to the input's, in dB, over
// 4000 samples: whole periods of any multiple of 4 Hz.
double GainDb(const std::vector<std::int16_t>& output, double frequency) {
  double re = 0;
  double im = 0;
  for (std::size_t k = kSettleSamples; k < kSettleSamples + 4000; ++k) {
    const double phase = 2.0 * kPi * frequency * double(k) / 16000.0;
    re += output[k] * std::cos(phase);
    im += output[k] * std::sin(phase);
  }
  return 20.0 * std::log10(2.0 * std::hypot(re, im) / 4000.0 / 32767.0 / kAmplitude);
}

// Every rate the pipeline takes: the common ones, their exact ratios, and
// an odd one whose ratio needs interpolated rows.
TEST(FilteredConversion, RejectsAliasesAndKeepsThePassbandAtEveryRate) {
  for (const std::int32_t rate : {44100, 48000, 88200, 96000, 192000, 32000, 22050, 44101}) {
    const double nyquist = rate / 2.0;
    double worst_rejection = 1e9;
    double worst_at = 0;
    // Densely near the stop edge and around 16 kHz, where aliases land
    // near DC; every kilohertz beyond.
    for (double f = 8500; f < nyquist; f += f < 24000 ? 500 : 1000) {
      const double rejection = RejectionDb(ConvertTone(rate, f, 0.15));
      if (rejection < worst_rejection) worst_rejection = rejection, worst_at = f;
    }
    if (nyquist > 8500) {
      const double rejection = RejectionDb(ConvertTone(rate, nyquist - 4, 0.15));
      if (rejection < worst_rejection) worst_rejection = rejection, worst_at = nyquist - 4;
    }
    EXPECT_GE(worst_rejection, 80.0) << rate << " Hz, tone at " << worst_at << " Hz";
    for (const double f : {100.0, 1000.0, 3000.0, 5000.0, 6000.0}) {
      EXPECT_NEAR(GainDb(ConvertTone(rate, f, 0.27), f), 0.0, 0.1) << rate << " Hz, tone at " << f;
    }
    EXPECT_NEAR(GainDb(ConvertTone(rate, 7000, 0.27), 7000), 0.0, 0.5) << rate << " Hz";
  }
  // Below 16 kHz nothing can alias; what the input holds passes.
  EXPECT_NEAR(GainDb(ConvertTone(8000, 1000, 0.27), 1000), 0.0, 0.1);
}

// A click lands on its own output instant with symmetric ringing (linear
// phase, no delay against the default conversion's timeline), and its
// sample is out once the input is at most 10 ms past it.
TEST(FilteredConversion, ClickStaysOnItsInstantAndIsOutWithin10Ms) {
  for (const std::int32_t rate : {44100, 48000}) {
    const std::size_t click = static_cast<std::size_t>(rate) / 10;  // output instant 1600
    const std::size_t instant = 1600;
    FilteredResampler resampler;
    resampler.Configure(rate);
    std::vector<std::int16_t> pending;
    std::size_t frames_when_out = 0;
    for (std::size_t frame = 0; frame < click * 2; ++frame) {
      const float value = frame == click ? 0.9f : 0.0f;
      const AudioPacket packet{reinterpret_cast<const std::uint8_t*>(&value), 1, 0};
      resampler.Convert(packet, 1, true, 1 << 30, [] { return true; }, pending, [](std::vector<std::uint8_t>) {});
      if (frames_when_out == 0 && pending.size() > instant) frames_when_out = frame + 1;
    }
    const double latency_ms = double(frames_when_out - 1 - click) * 1000.0 / rate;
    EXPECT_GT(latency_ms, 0.0) << rate;
    EXPECT_LE(latency_ms, 10.0) << rate;
    ASSERT_GT(pending.size(), instant + 40);
    for (std::size_t k = 1; k < 40; ++k) {
      EXPECT_LT(std::abs(pending[instant - k]), std::abs(pending[instant])) << rate << " at " << k;
      EXPECT_NEAR(pending[instant - k], pending[instant + k], 1) << rate << " at " << k;
    }
  }
}

// The widest inner product the processor runs against the 4-lane one, on
// noise well beyond full scale (the clamp) and with exact and
// interpolated rows.
TEST(FilteredConversion, EveryDotWidthGivesTheSameBits) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> level(-1.5f, 1.5f);
  std::vector<float> noise(48000);
  for (auto& sample : noise) sample = level(random);
  const AudioPacket packet{reinterpret_cast<const std::uint8_t*>(noise.data()), 48000, 0};
  for (const std::int32_t rate : {48000, 44100, 44101}) {
    std::vector<std::int16_t> outputs[2];
    const fir_kernels::DotWidth widths[2] = {fir_kernels::DotWidth::kWidest, fir_kernels::DotWidth::kNarrow};
    for (int k = 0; k < 2; ++k) {
      FilteredResampler resampler;
      resampler.Configure(rate, widths[k]);
      resampler.Convert(packet, 1, true, 1 << 30, [] { return true; }, outputs[k], [](std::vector<std::uint8_t>) {});
    }
    EXPECT_GT(outputs[0].size(), 15000u);
    EXPECT_TRUE(outputs[0] == outputs[1]) << rate;
  }
}

AudioRecording NoiseRecording(const MixFormat& format, double seconds, bool random_packets) {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> level(-1.0f, 1.0f);
  std::uniform_int_distribution<std::uint32_t> size(0, 2500);  // beyond the filter's block, and empty ones
  const auto frames = static_cast<std::uint32_t>(format.samples_per_second * seconds);
  std::vector<float> samples(std::size_t{frames} * format.channels);
  for (auto& sample : samples) sample = level(random);
  AudioRecording recording;
  recording.format = format;
  for (std::uint32_t first = 0; first < frames;) {
    const std::uint32_t count = std::min(frames - first, random_packets ? size(random) : format.samples_per_second / 100);
    const auto begin = samples.begin() + std::ptrdiff_t{first} * format.channels;
    const std::vector<float> packet(begin, begin + std::ptrdiff_t{count} * format.channels);
    if (format.bits_per_sample == 16) {
      std::vector<std::int16_t> ints(packet.size());
      for (std::size_t k = 0; k < ints.size(); ++k) ints[k] = static_cast<std::int16_t>(packet[k] * 32767);
      recording.AddInt16Packet(ints);
    } else {
      recording.AddFloatPacket(packet);
    }
    first += count;
  }
  return recording;
}

TEST(FilteredCapture, ChunksDoNotDependOnHowPacketsSplitTheStream) {
  CaptureOptions high;
  high.quality = ConversionQuality::kHigh;
  for (const MixFormat& format : {FloatFormat(44100, 2), Int16Format(48000, 2), FloatFormat(44101, 1)}) {
    std::vector<std::vector<std::uint8_t>> even;
    std::vector<std::vector<std::uint8_t>> random;
    CaptureAll(NoiseRecording(format, 1.5, false), 80, &even, high);
    CaptureAll(NoiseRecording(format, 1.5, true), 80, &random, high);
    ASSERT_EQ(even.size(), 18u) << format.samples_per_second;
    for (const auto& chunk : even) EXPECT_EQ(chunk.size(), 80u * 32);
    EXPECT_TRUE(even == random) << format.samples_per_second;
  }
}

// A rate the filter is not designed for still gives chunks, as the
// default conversion makes them.
TEST(FilteredCapture, RateBeyondTheFilterConvertsAsTheDefault) {
  CaptureOptions high;
  high.quality = ConversionQuality::kHigh;
  const AudioRecording recording = NoiseRecording(FloatFormat(1000000, 1), 0.3, false);
  const std::vector<std::int16_t> standard = CaptureAll(recording, 80);
  EXPECT_EQ(standard.size(), 3u * 1280);
  EXPECT_TRUE(CaptureAll(recording, 80, nullptr, high) == standard);

  // "get_status" tells which conversion is in effect.
  const auto quality_in_effect = [&high](const AudioRecording& played) {
    RecordedAudioSource source(played);
    CaptureProbe probe;
    KestroLoopbackCapture capture(source.Factory());
    EXPECT_TRUE(capture.Start(80, probe.OnChunk(), probe.OnError(), high));
    EXPECT_TRUE(source.WaitUntilDrained(kPatience));
    capture.Stop();
    const char* quality = capture.status()->Snapshot().quality;
    return std::string(quality != nullptr ? quality : "none");
  };
  EXPECT_EQ(quality_in_effect(recording), "standard");
  EXPECT_EQ(quality_in_effect(NoiseRecording(FloatFormat(48000, 2), 0.3, false)), "high");
}

}  // namespace
}  // namespace kestro::testing
