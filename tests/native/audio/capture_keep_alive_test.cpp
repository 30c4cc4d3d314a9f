// Keep-alive: silence for the gaps in what the device delivers, so that
// chunk k can be dated k chunk lengths after the stream started. Time is
// the recorded device's simulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>

#include "capture_probe.h"

namespace kestro::testing {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr std::uint32_t kPacketFrames = 160;  // 10 ms at 16 kHz
constexpr std::int16_t kTone = 16383;         // 0.5

AudioRecording SimulatedDevice(milliseconds end) {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 1);
  recording.simulated_clock = true;
  recording.clock_end = end;
  return recording;
}

// `count` packets of `value` from `start`, each arriving as its 10 ms end.
void Play(AudioRecording& recording, milliseconds start, int count, float value = 0.5f) {
  for (int k = 0; k < count; ++k) {
    if (value == 0.0f) {
      recording.AddNullPacket(kPacketFrames);
    } else {
      recording.AddFloatPacket(std::vector<float>(kPacketFrames, value));
    }
    recording.packets.back().arrives_at = start + milliseconds(10 * (k + 1));
  }
}

// 200 ms of tone, nothing for a second, 200 ms of tone; the clock ends at 2 s.
AudioRecording ToneGapTone() {
  AudioRecording recording = SimulatedDevice(milliseconds(2000));
  Play(recording, milliseconds(0), 20);
  Play(recording, milliseconds(1200), 20);
  return recording;
}

std::vector<std::int16_t> Capture(const AudioRecording& recording, CaptureOptions options, std::size_t chunks,
                                  CaptureStatusSnapshot* status = nullptr) {
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  EXPECT_TRUE(capture.Start(100, probe.OnChunk(), probe.OnError(), options));
  EXPECT_TRUE(source.WaitUntilDrained(kPatience));
  EXPECT_TRUE(probe.WaitForChunks(chunks));
  capture.Stop();
  if (status != nullptr) *status = capture.status()->Snapshot();
  EXPECT_TRUE(probe.Errors().empty());
  return probe.Samples();
}

TEST(CaptureKeepAlive, OffLeavesGapsOut) {
  CaptureStatusSnapshot status;
  const auto samples = Capture(ToneGapTone(), CaptureOptions{}, 3, &status);
  EXPECT_EQ(samples, std::vector<std::int16_t>(4800, kTone));
  EXPECT_EQ(status.silence_samples, 0u);
}

TEST(CaptureKeepAlive, FillsAGapWithSilenceAndResumesAfterItOnTheClock) {
  CaptureStatusSnapshot status;
  // The clock's 2 s are at least 20 chunks less half a chunk.
  const auto samples = Capture(ToneGapTone(), CaptureOptions{true}, 19, &status);
  ASSERT_GE(samples.size(), 19u * 1600);
  // All of the tone but the sample still waiting for its successor, in two
  // runs: nothing lost, nothing repeated, nothing overlaid by silence.
  EXPECT_EQ(std::count(samples.begin(), samples.end(), kTone), 6399);
  const auto first_gap = std::find(samples.begin(), samples.end(), 0);
  EXPECT_EQ(first_gap - samples.begin(), 3199);
  const auto resumed = std::find(first_gap, samples.end(), kTone);
  EXPECT_EQ(std::find(resumed, samples.end(), 0) - resumed, 3200);
  EXPECT_TRUE(std::all_of(first_gap, resumed, [](std::int16_t s) { return s == 0; }));
  // The tone came back at 1.2 s, sample 19200; the silence before it
  // trails the clock by at most half a chunk.
  EXPECT_LE(std::abs((resumed - samples.begin()) - 19200), 800);
  // Counted as inserted, so also the silence of a chunk not yet complete.
  const auto zeros = static_cast<std::uint64_t>(std::count(samples.begin(), samples.end(), 0));
  EXPECT_GE(status.silence_samples, zeros);
  EXPECT_LT(status.silence_samples, zeros + 1600);
}

TEST(CaptureKeepAlive, ADeviceThatNeverDeliversStillGivesChunksOnTheClock) {
  const auto samples = Capture(SimulatedDevice(milliseconds(1000)), CaptureOptions{true}, 9);
  EXPECT_GE(samples.size(), 9u * 1600);
  EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; }));
}

// A switch whose first re-open fails: the retry comes 200 ms later on the
// device's clock, and silence covers the time without sound.
TEST(CaptureKeepAlive, WithFollowingSilenceCoversASwitchThatTookARetry) {
  AudioRecording recording = SimulatedDevice(milliseconds(1000));
  Play(recording, milliseconds(0), 10);
  Play(recording, milliseconds(500), 10);
  recording.device_changes_during = {9};
  recording.failure = EndpointFailure{EndpointStep::kStartClient, 1, false, 0x88890004};
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(100, probe.OnChunk(), probe.OnError(), CaptureOptions{true, true}));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  ASSERT_TRUE(probe.WaitForChunks(9));
  capture.Stop();
  EXPECT_EQ(probe.Errors(), std::vector<std::string>{"WASAPI: Start failed"});
  EXPECT_EQ(source.EndpointsCreated(), 3);
  EXPECT_EQ(capture.status()->Snapshot().device_switches, 1u);
  const auto samples = probe.Samples();
  EXPECT_EQ(std::count(samples.begin(), samples.end(), kTone), 3199);
  const auto resumed = std::find(std::find(samples.begin(), samples.end(), 0), samples.end(), kTone);
  EXPECT_LE(std::abs((resumed - samples.begin()) - 8000), 800) << "the tone came back at 0.5 s";
}

// An hour of sound and gaps of every length, from 5 ms to 30 s. Each
// sound starts with a 10 ms tone over silent packets, so its onset can be
// found in the output: dated by its index, it must lie less than a chunk
// from when it was played, and so must every chunk's emission.
TEST(CaptureKeepAlive, DatingByIndexDriftsLessThanAChunkOverAnHour) {
  constexpr std::int32_t kChunkMs = 80;
  constexpr std::int64_t kChunkSamples = kChunkMs * 16;
  constexpr milliseconds kHour(3600 * 1000);
  AudioRecording recording = SimulatedDevice(kHour);
  std::mt19937 random(13);
  std::vector<std::int64_t> onsets;  // in output samples
  milliseconds at(0);
  while (at < kHour - milliseconds(60 * 1000)) {
    const int packets = std::uniform_int_distribution<int>(2, 2000)(random);
    onsets.push_back(at.count() * 16);
    Play(recording, at, 1, 1.0f);
    Play(recording, at + milliseconds(10), packets - 1, 0.0f);
    at += milliseconds(10 * packets);
    const bool short_gap = std::bernoulli_distribution(0.5)(random);
    at += milliseconds(short_gap ? std::uniform_int_distribution<int>(5, 70)(random)
                                 : std::uniform_int_distribution<int>(100, 30000)(random));
  }

  struct Seen {
    std::mutex mutex;
    std::int64_t samples = 0;
    std::int16_t last = 0;
    std::vector<std::int64_t> onsets;
    std::int64_t worst_emission_drift_us = 0;
  };
  auto seen = std::make_shared<Seen>();
  RecordedAudioSource source(recording);
  KestroLoopbackCapture capture(source.Factory());
  const auto on_chunk = [seen, &source](std::vector<std::uint8_t> chunk) {
    const std::int64_t now_us = source.SimulatedNow().count();
    std::lock_guard<std::mutex> lock(seen->mutex);
    for (std::size_t k = 0; k + 1 < chunk.size(); k += 2) {
      const auto sample = static_cast<std::int16_t>(chunk[k] | (chunk[k + 1] << 8));
      if (sample != 0 && seen->last == 0) seen->onsets.push_back(seen->samples);
      seen->last = sample;
      ++seen->samples;
    }
    // When the chunk was handed out, against when its last sample is dated.
    const std::int64_t dated_end_us = seen->samples * 1000000 / 16000;
    seen->worst_emission_drift_us = std::max(seen->worst_emission_drift_us, std::abs(now_us - dated_end_us));
  };
  ASSERT_TRUE(capture.Start(kChunkMs, on_chunk, nullptr, CaptureOptions{true}));
  ASSERT_TRUE(source.WaitUntilDrained(std::chrono::minutes(5)));
  capture.Stop();

  std::lock_guard<std::mutex> lock(seen->mutex);
  ASSERT_EQ(seen->onsets.size(), onsets.size());
  std::int64_t worst_onset_drift = 0;
  for (std::size_t k = 0; k < onsets.size(); ++k) {
    worst_onset_drift = std::max(worst_onset_drift, std::abs(seen->onsets[k] - onsets[k]));
  }
  std::printf(
      "over an hour of %zu sounds, 80 ms chunks: onsets dated at most %.1f ms off, "
      "chunks handed out at most %.1f ms off their dated end\n",
      onsets.size(), static_cast<double>(worst_onset_drift) / 16.0,
      static_cast<double>(seen->worst_emission_drift_us) / 1000.0);
  EXPECT_LT(worst_onset_drift, kChunkSamples);
  EXPECT_LT(seen->worst_emission_drift_us, kChunkMs * 1000);
  EXPECT_GE(seen->samples, (kHour.count() - kChunkMs) * 16);
}

}  // namespace
}  // namespace kestro::testing
