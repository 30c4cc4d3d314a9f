// Leaving kestro's own sound out: the bounded activation, process loopback
// in its chosen format, and the fall back to device loopback at each step.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "capture_probe.h"
#include "process_loopback_activation.h"

namespace kestro::testing {
namespace {

using std::chrono::milliseconds;

constexpr CaptureOptions kExclude{false, false, true};

struct ActivationCase {
  const char* name;
  ActivationStarter start;
  bool activated;
  const char* failed_call;
  std::uint32_t code;
};

TEST(AwaitActivation, EachOutcomeNamesItsStepAndCode) {
  std::thread late;
  const ActivationCase cases[] = {
      {"missing function", nullptr, false, "GetProcAddress(ActivateAudioInterfaceAsync)", 0x8007007F},
      {"call refused", [](const ActivationCompletion&) { return 0x80070005u; }, false, "ActivateAudioInterfaceAsync",
       0x80070005},
      // Wine and builds before process loopback: the call succeeds, the
      // activation does not.
      {"completion refused",
       [](const ActivationCompletion& complete) {
         complete(0x80070002);
         return 0u;
       },
       false, "IActivateAudioInterfaceAsyncOperation::GetActivateResult", 0x80070002},
      {"completed on another thread",
       [&](ActivationCompletion complete) {
         late = std::thread([complete] {
           std::this_thread::sleep_for(milliseconds(20));
           complete(0);
           complete(0x80004005);  // a second completion changes nothing
         });
         return 0u;
       },
       true, nullptr, 0},
      {"never completed", [](const ActivationCompletion&) { return 0u; }, false,
       "ActivateAudioInterfaceAsync (completion wait)", 0x800705B4},
  };
  for (const ActivationCase& test : cases) {
    const ActivationOutcome outcome = AwaitActivation(test.start, milliseconds(500));
    if (late.joinable()) late.join();
    EXPECT_EQ(outcome.activated, test.activated) << test.name;
    EXPECT_STREQ(outcome.failed_call, test.failed_call) << test.name;
    EXPECT_EQ(outcome.code, test.code) << test.name;
  }
}

TEST(AwaitActivation, ACompletionAfterTheWaitGaveUpIsHarmless) {
  ActivationCompletion kept;
  const ActivationOutcome outcome = AwaitActivation(
      [&](ActivationCompletion complete) {
        kept = std::move(complete);
        return 0u;
      },
      milliseconds(10));
  EXPECT_EQ(outcome.code, 0x800705B4u);
  std::thread late([kept] { kept(0); });
  late.join();
}

// The device's mix format (44.1 kHz mono 16-bit) differs from the process
// loopback's chosen one, so the output shows which one was converted.
AudioRecording ProcessMix() {
  AudioRecording recording;
  recording.process_loopback = true;
  recording.format = kProcessLoopbackFormat;
  // 0.5 on both channels: 16383. A silent packet whose buffer holds
  // anything, and packets flagged as discontinuous and mistimed.
  recording.AddFloatPacket(std::vector<float>(2 * 480, 0.5f));
  recording.AddFloatPacket(std::vector<float>(2 * 480, 0.9f), kBufferFlagSilent);
  recording.AddFloatPacket(std::vector<float>(2 * 480, 0.5f), kBufferFlagDiscontinuity);
  recording.AddFloatPacket(std::vector<float>(2 * 480, 0.5f), kBufferFlagTimestampError | kBufferFlagDiscontinuity);
  recording.AddFloatPacket(std::vector<float>(2 * 480, 0.5f));
  recording.format = Int16Format(44100, 1);
  return recording;
}

struct Excluded {
  std::vector<std::int16_t> samples;
  CaptureStatusSnapshot status;
  std::vector<MixFormat> initialised_with;
  int mix_format_reads = 0;
  int endpoints = 0;
};

Excluded Capture(const AudioRecording& recording) {
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  EXPECT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError(), kExclude));
  EXPECT_TRUE(source.WaitUntilDrained(kPatience));
  Excluded excluded{probe.Samples(), capture.status()->Snapshot(), source.ProcessLoopbackFormats(),
                    source.Calls(EndpointStep::kGetMixFormat), source.EndpointsCreated()};
  capture.Stop();
  EXPECT_THAT(probe.Errors(), ::testing::IsEmpty());
  return excluded;
}

TEST(CaptureExcludingOwnAudio, ConvertsFromTheFormatItInitialisedWith) {
  const Excluded excluded = Capture(ProcessMix());
  ASSERT_EQ(excluded.initialised_with.size(), 1u);
  EXPECT_EQ(excluded.initialised_with[0].samples_per_second, 48000u);
  EXPECT_EQ(excluded.initialised_with[0].channels, 2);
  EXPECT_EQ(excluded.initialised_with[0].bits_per_sample, 32);
  EXPECT_EQ(excluded.initialised_with[0].format_tag, kWaveFormatExtensible);
  EXPECT_TRUE(excluded.initialised_with[0].subformat == kSubtypeIeeeFloat);
  EXPECT_EQ(excluded.mix_format_reads, 0) << "a process-loopback client has no mix format";
  // 5 packets of 480 frames at step 3: 800 samples, 5 whole chunks of 160.
  std::vector<std::int16_t> expected(800, 16383);
  std::fill(expected.begin() + 160, expected.begin() + 320, 0);
  ASSERT_EQ(excluded.samples.size(), expected.size());
  EXPECT_EQ(excluded.samples, expected);
  ASSERT_TRUE(excluded.status.exclusion.has_value());
  EXPECT_TRUE(excluded.status.exclusion->in_effect);
  EXPECT_EQ(excluded.status.exclusion->failed_call, std::nullopt);
  EXPECT_EQ(excluded.status.discontinuities, 2u);
  EXPECT_EQ(excluded.status.timestamp_errors, 1u);
  EXPECT_EQ(excluded.status.state, CaptureState::kCapturing);
}

struct Refusal {
  std::optional<EndpointStep> step;  // none: the system has no process loopback
  const char* failed_call;
};

// Device loopback exactly as without the key, on a fresh endpoint, and the
// status names the step that refused.
TEST(CaptureExcludingOwnAudio, FallsBackToDeviceLoopbackAtEachRefusal) {
  const Refusal refusals[] = {
      {std::nullopt, "GetProcAddress(ActivateAudioInterfaceAsync)"},
      {EndpointStep::kActivateProcessLoopback, "ActivateAudioInterfaceAsync"},
      {EndpointStep::kInitializeProcessLoopback, "IAudioClient::Initialize"},
      {EndpointStep::kGetCaptureClient, "IAudioClient::GetService"},
      {EndpointStep::kStartClient, "IAudioClient::Start"},
  };
  AudioRecording device;
  device.format = FloatFormat(16000, 1);
  for (int k = 0; k < 4; ++k) device.AddFloatPacket(std::vector<float>(160, 0.25f));
  const std::vector<std::int16_t> unexcluded = CaptureAll(device, 10);
  for (const Refusal& refusal : refusals) {
    AudioRecording recording = device;
    recording.process_loopback = refusal.step.has_value();
    if (refusal.step) recording.failure = EndpointFailure{*refusal.step, 0, false, 0x80070002};
    const Excluded excluded = Capture(recording);
    EXPECT_EQ(excluded.samples, unexcluded) << refusal.failed_call;
    EXPECT_EQ(excluded.endpoints, 2) << refusal.failed_call;
    ASSERT_TRUE(excluded.status.exclusion.has_value());
    EXPECT_FALSE(excluded.status.exclusion->in_effect) << refusal.failed_call;
    EXPECT_EQ(excluded.status.exclusion->failed_call, refusal.failed_call);
    if (refusal.step) {
      EXPECT_EQ(excluded.status.exclusion->result_code, 0x80070002u) << refusal.failed_call;
    }
    EXPECT_EQ(excluded.status.state, CaptureState::kCapturing);
    EXPECT_EQ(excluded.status.error, std::nullopt) << "a fall back is not a failure of capture";
  }
}

TEST(CaptureExcludingOwnAudio, NotAskedForIsNeverTried) {
  AudioRecording recording = ProcessMix();
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  EXPECT_EQ(source.Calls(EndpointStep::kActivateProcessLoopback), 0);
  EXPECT_FALSE(capture.status()->Snapshot().exclusion.has_value());
}

}  // namespace
}  // namespace kestro::testing
