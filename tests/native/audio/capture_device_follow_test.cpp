// Following the default device: a change or a lost device re-opens capture
// on the current default, and the chunks go on as if nothing happened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <ostream>

#include "capture_probe.h"

namespace kestro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint32_t kDeviceInvalidated = 0x88890004;  // AUDCLNT_E_DEVICE_INVALIDATED
constexpr CaptureOptions kFollow{false, true};

// 40 packets of 10 ms whose samples are all different, so that a lost or
// repeated sample shows.
AudioRecording Ramp() {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 1);
  for (int packet = 0; packet < 40; ++packet) {
    std::vector<float> samples(160);
    for (int k = 0; k < 160; ++k) samples[k] = (static_cast<float>(packet * 160 + k) + 0.5f) / 32767.0f;
    recording.AddFloatPacket(samples);
  }
  return recording;
}

struct Followed {
  std::vector<std::int16_t> samples;
  std::vector<std::string> errors;
  CaptureStatusSnapshot status;
  int endpoints = 0;
};

Followed Capture(const AudioRecording& recording, CaptureOptions options) {
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  EXPECT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError(), options));
  EXPECT_TRUE(source.WaitUntilDrained(kPatience));
  Followed followed{probe.Samples(), probe.Errors(), capture.status()->Snapshot(), source.EndpointsCreated()};
  capture.Stop();
  return followed;
}

const std::vector<std::int16_t>& Unswitched() {
  static const std::vector<std::int16_t> samples = CaptureAll(Ramp(), 10);
  return samples;
}

TEST(CaptureFollowsDevice, ASwitchDuringAPacketReopensAfterIt) {
  AudioRecording recording = Ramp();
  recording.device_changes_during = {10};
  const Followed followed = Capture(recording, kFollow);
  EXPECT_EQ(followed.samples, Unswitched());
  EXPECT_THAT(followed.errors, IsEmpty());
  EXPECT_EQ(followed.endpoints, 2);
  EXPECT_EQ(followed.status.device_switches, 1u);
  EXPECT_EQ(followed.status.state, CaptureState::kCapturing);
}

TEST(CaptureFollowsDevice, NotAskedForChangesAreNotWatched) {
  AudioRecording recording = Ramp();
  recording.device_changes_during = {10};
  const Followed followed = Capture(recording, CaptureOptions{});
  EXPECT_EQ(followed.samples, Unswitched());
  EXPECT_EQ(followed.endpoints, 1);
  EXPECT_EQ(followed.status.device_switches, 0u);
}

TEST(CaptureFollowsDevice, AStormOfTenSwitchesInASecondLosesNothing) {
  AudioRecording recording = Ramp();
  recording.device_changes_during = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};  // within 100 ms
  const Followed followed = Capture(recording, kFollow);
  EXPECT_EQ(followed.samples, Unswitched());
  EXPECT_THAT(followed.errors, IsEmpty());
  EXPECT_EQ(followed.endpoints, 11);
  EXPECT_EQ(followed.status.device_switches, 10u);
}

struct Invalidation {
  EndpointStep step;
  int successes;
  // The message of a failed attempt to re-open; none for a packet step.
  const char* message;
};

void PrintTo(const Invalidation& invalidation, std::ostream* out) {
  *out << EndpointStepName(invalidation.step) << " after " << invalidation.successes;
}

class CaptureFollowsInvalidatedDevice : public ::testing::TestWithParam<Invalidation> {};

// A packet step that fails re-opens at once; a set-up step that fails while
// re-opening after a switch is retried until it works.
TEST_P(CaptureFollowsInvalidatedDevice, AtThisStepAndGoesOn) {
  const Invalidation& invalidation = GetParam();
  AudioRecording recording = Ramp();
  recording.failure = EndpointFailure{invalidation.step, invalidation.successes, false, kDeviceInvalidated};
  if (invalidation.message != nullptr) recording.device_changes_during = {10};
  const Followed followed = Capture(recording, kFollow);
  EXPECT_EQ(followed.samples, Unswitched());
  if (invalidation.message != nullptr) {
    EXPECT_THAT(followed.errors, ElementsAre(invalidation.message));
    EXPECT_EQ(followed.endpoints, 3);
    EXPECT_EQ(followed.status.last_error, invalidation.message) << "the last failure stays visible";
    EXPECT_EQ(followed.status.last_result_code, kDeviceInvalidated);
    EXPECT_EQ(followed.status.error, std::nullopt) << "but no longer as the capture's state";
  } else {
    EXPECT_THAT(followed.errors, IsEmpty());
    EXPECT_EQ(followed.endpoints, 2);
  }
  EXPECT_EQ(followed.status.device_switches, 1u);
  EXPECT_EQ(followed.status.state, CaptureState::kCapturing);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CaptureFollowsInvalidatedDevice,
    ::testing::Values(Invalidation{EndpointStep::kGetNextPacketSize, 0, nullptr},
                      Invalidation{EndpointStep::kGetNextPacketSize, 7, nullptr},
                      Invalidation{EndpointStep::kGetBuffer, 5, nullptr},
                      Invalidation{EndpointStep::kCreateEnumerator, 1, "WASAPI: failed to create MMDeviceEnumerator"},
                      Invalidation{EndpointStep::kGetDefaultDevice, 1, "WASAPI: failed to get default output device"},
                      Invalidation{EndpointStep::kActivateClient, 1, "WASAPI: failed to activate IAudioClient"},
                      Invalidation{EndpointStep::kGetMixFormat, 1, "WASAPI: GetMixFormat failed"},
                      Invalidation{EndpointStep::kInitialize, 1, "WASAPI: Initialize(loopback) failed"},
                      Invalidation{EndpointStep::kGetCaptureClient, 1,
                                   "WASAPI: GetService(IAudioCaptureClient) failed"},
                      Invalidation{EndpointStep::kStartClient, 1, "WASAPI: Start failed"}),
    [](const auto& info) {
      return std::string(EndpointStepName(info.param.step)) + "_after_" + std::to_string(info.param.successes);
    });

TEST(CaptureFollowsDevice, ANewDeviceOfAnotherFormatIsResampledFromItsOwnRate) {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 1);
  for (int k = 0; k < 10; ++k) recording.AddFloatPacket(std::vector<float>(160, 0.5f));
  recording.device_changes_during = {9};
  recording.format_after_switch = FloatFormat(48000, 2);
  recording.format = *recording.format_after_switch;  // frames of the later packets
  for (int k = 0; k < 10; ++k) recording.AddFloatPacket(std::vector<float>(960, 0.25f));
  recording.format = FloatFormat(16000, 1);
  const Followed followed = Capture(recording, kFollow);
  // Each device's last sample waits for a successor; the first one's is
  // dropped with its input at the switch.
  std::vector<std::int16_t> expected(1599, 16383);
  expected.insert(expected.end(), 1599, 8191);
  expected.resize(expected.size() / 160 * 160);
  EXPECT_EQ(followed.samples, expected);
  ASSERT_TRUE(followed.status.format.has_value());
  EXPECT_EQ(followed.status.format->sample_rate, 48000);
  EXPECT_EQ(followed.status.format->channels, 2);
  EXPECT_EQ(followed.status.device_switches, 1u);
}

// The device goes away at 110 ms and refuses to initialise for the next
// attempts (200 ms each on the simulated clock); the new device plays the
// rest of the ramp from 4.2 s, and the clock ends at 6 s.
struct Outage {
  std::vector<std::chrono::microseconds> chunk_times;
  std::size_t chunks = 0;
  std::string lines;
  CaptureStatusSnapshot status;
};

Outage CaptureThroughOutage(EndpointFailure failure, bool notified = true) {
  AudioRecording recording = Ramp();
  for (std::size_t k = 0; k < recording.packets.size(); ++k) {
    const int start = k <= 10 ? 0 : 4200 - 110;
    recording.packets[k].arrives_at = std::chrono::milliseconds(start + 10 * (static_cast<int>(k) + 1));
  }
  recording.simulated_clock = true;
  recording.clock_end = std::chrono::milliseconds(6000);
  if (notified) recording.device_changes_during = {10};
  recording.failure = failure;
  RecordedAudioSource source(recording);
  Outage outage;
  std::mutex times_mutex;
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(capture.Start(100, probe.OnChunk([&] {
    std::lock_guard<std::mutex> lock(times_mutex);
    outage.chunk_times.push_back(source.SimulatedNow());
  }),
                            probe.OnError(), CaptureOptions{true, true}));
  EXPECT_TRUE(source.WaitUntilDrained(kPatience));
  EXPECT_TRUE(probe.WaitForChunks(59));
  outage.status = capture.status()->Snapshot();
  capture.Stop();
  outage.lines = ::testing::internal::GetCapturedStderr();
  outage.chunks = probe.Chunks().size();
  return outage;
}

std::size_t CountOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::chrono::microseconds LongestGap(const Outage& outage) {
  EXPECT_GE(outage.chunk_times.size(), 59u);
  // From the stream's start at 0.
  std::chrono::microseconds longest{0};
  std::chrono::microseconds last{0};
  for (const auto time : outage.chunk_times) {
    longest = std::max(longest, time - last);
    last = time;
  }
  return longest;
}

TEST(CaptureFollowsDevice, KeepAliveGoesOnAtTheClockWhileALostDeviceIsRetried) {
  const Outage outage = CaptureThroughOutage(EndpointFailure{EndpointStep::kInitialize, 1, false, kDeviceInvalidated, 20});
  EXPECT_LE(LongestGap(outage).count(), 150000) << "chunks of 100 ms must not wait for the re-open (µs)";
  // One line for the outage's failing call however often it is retried,
  // and one for its end.
  EXPECT_EQ(CountOf(outage.lines, "Error: Initialize failed: 0x88890004"), 1u) << outage.lines;
  EXPECT_EQ(CountOf(outage.lines, "re-opened"), 1u) << outage.lines;
  // Recovered: the retries' failure is history, not the current state.
  EXPECT_EQ(outage.status.state, CaptureState::kCapturing);
  EXPECT_EQ(outage.status.error, std::nullopt);
  EXPECT_EQ(outage.status.result_code, std::nullopt);
  EXPECT_EQ(outage.status.last_error, "WASAPI: Initialize(loopback) failed");
  EXPECT_EQ(outage.status.last_result_code, kDeviceInvalidated);
}

TEST(CaptureFollowsDevice, KeepAliveGoesOnThroughThePauseAfterAFailingPacketStep) {
  // No notification: the packet query fails, capture pauses and re-opens
  // at the first attempt, which is no outage to write home about.
  const Outage outage =
      CaptureThroughOutage(EndpointFailure{EndpointStep::kGetNextPacketSize, 30, false, kDeviceInvalidated}, false);
  EXPECT_LE(LongestGap(outage).count(), 150000) << "µs";
  EXPECT_EQ(CountOf(outage.lines, "Error: GetNextPacketSize failed"), 1u) << outage.lines;
  EXPECT_EQ(CountOf(outage.lines, "re-opened"), 0u) << outage.lines;
  EXPECT_EQ(outage.status.device_switches, 1u);
}

TEST(CaptureFollowsDevice, AFirstOpenThatFailsEndsCaptureAsWithoutIt) {
  AudioRecording recording = Ramp();
  recording.failure = EndpointFailure{EndpointStep::kGetCaptureClient, 0, false, 0x88890003};
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError(), kFollow));
  ASSERT_TRUE(probe.WaitForError());
  capture.Stop();
  EXPECT_EQ(source.EndpointsCreated(), 1);
  EXPECT_EQ(capture.status()->Snapshot().error, "WASAPI: GetService(IAudioCaptureClient) failed");
}

}  // namespace
}  // namespace kestro::testing
