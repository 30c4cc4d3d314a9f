// How capture opens the device, reports each failure and tears down.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include "capture_probe.h"

namespace kestro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

AudioRecording PlayableRecording() {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 1);
  for (int k = 0; k < 3; ++k) recording.AddFloatPacket(std::vector<float>(160, 0.5f));
  return recording;
}

AudioRecording FailingAt(EndpointStep step, int successes = 0) {
  AudioRecording recording = PlayableRecording();
  recording.failure = EndpointFailure{step, successes, false};
  return recording;
}

// Whether `running` stayed set after the failure: a second Start then
// changes nothing until Stop, whereas a cleared flag lets it open the
// device again at once.
bool RunningAfterFailure(const AudioRecording& recording) {
  RecordedAudioSource source(recording);
  CaptureProbe first;
  CaptureProbe second;
  KestroLoopbackCapture capture(source.Factory());
  EXPECT_TRUE(capture.Start(10, first.OnChunk(), first.OnError()));
  EXPECT_TRUE(first.WaitForError());
  EXPECT_TRUE(capture.Start(10, second.OnChunk(), second.OnError()));
  capture.Stop();
  return source.EndpointsCreated() == 1;
}

TEST(CaptureSetUp, RunsTheStepsInOrderAndTearsDownInReverse) {
  RecordedAudioSource source(PlayableRecording());
  CaptureProbe probe;
  {
    KestroLoopbackCapture capture(source.Factory());
    ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError()));
    ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  }
  EXPECT_THAT(source.Log(),
              ElementsAre("RegisterThread", "EnterApartment", "CreateEnumerator", "GetDefaultDevice", "ActivateClient",
                          "GetMixFormat", "Initialize", "FreeMixFormat", "GetCaptureClient", "StartClient",
                          "StopClient", "ReleaseCaptureClient", "ReleaseAudioClient", "ReleaseDevice",
                          "ReleaseEnumerator", "LeaveApartment", "UnregisterThread"));
  EXPECT_EQ(probe.Chunks().size(), 2u);  // 479 samples
}

TEST(CaptureSetUp, SchedulerAndApartmentFailuresAreNotErrors) {
  for (const EndpointStep step : {EndpointStep::kRegisterThread, EndpointStep::kEnterApartment}) {
    std::vector<std::vector<std::uint8_t>> chunks;
    CaptureAll(FailingAt(step), 10, &chunks);
    EXPECT_EQ(chunks.size(), 2u) << EndpointStepName(step);
  }
}

struct StepFailure {
  EndpointStep step;
  int successes;
  const char* message;
  bool running_afterwards;
};

void PrintTo(const StepFailure& failure, std::ostream* out) {
  *out << failure.message;
}

class CaptureFailure : public ::testing::TestWithParam<StepFailure> {};

TEST_P(CaptureFailure, IsReportedOnceAndLeavesRunningAsSpecified) {
  const StepFailure& failure = GetParam();
  const AudioRecording recording = FailingAt(failure.step, failure.successes);
  EXPECT_EQ(FirstError(recording), failure.message);
  EXPECT_EQ(RunningAfterFailure(recording), failure.running_afterwards);
}

// The status names the failure with the step's platform code, and keeps
// it through a Start that changes nothing, until Stop.
TEST_P(CaptureFailure, ShowsInTheStatusUntilStop) {
  const StepFailure& failure = GetParam();
  AudioRecording recording = FailingAt(failure.step, failure.successes);
  recording.failure->code = 0x88890003;
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError()));
  ASSERT_TRUE(probe.WaitForError());
  if (failure.running_afterwards) capture.Start(10, probe.OnChunk(), probe.OnError());
  const CaptureStatusSnapshot failed = capture.status()->Snapshot();
  EXPECT_EQ(failed.state, CaptureState::kFailed);
  EXPECT_EQ(failed.error, failure.message);
  EXPECT_EQ(failed.result_code, 0x88890003u);
  capture.Stop();
  const CaptureStatusSnapshot stopped = capture.status()->Snapshot();
  EXPECT_EQ(stopped.state, CaptureState::kStopped);
  EXPECT_EQ(stopped.error, failure.message) << "the last message stays until the next start";
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CaptureFailure,
    ::testing::Values(
        StepFailure{EndpointStep::kCreateEnumerator, 0, "WASAPI: failed to create MMDeviceEnumerator", true},
        StepFailure{EndpointStep::kGetDefaultDevice, 0, "WASAPI: failed to get default output device", true},
        StepFailure{EndpointStep::kActivateClient, 0, "WASAPI: failed to activate IAudioClient", true},
        StepFailure{EndpointStep::kGetMixFormat, 0, "WASAPI: GetMixFormat failed", true},
        StepFailure{EndpointStep::kInitialize, 0, "WASAPI: Initialize(loopback) failed", true},
        StepFailure{EndpointStep::kGetCaptureClient, 0, "WASAPI: GetService(IAudioCaptureClient) failed", true},
        StepFailure{EndpointStep::kStartClient, 0, "WASAPI: Start failed", true},
        StepFailure{EndpointStep::kGetNextPacketSize, 0, "WASAPI: GetNextPacketSize failed", true},
        StepFailure{EndpointStep::kGetBuffer, 1, "WASAPI: GetBuffer failed", false},
        StepFailure{EndpointStep::kGetNextPacketSize, 1, "WASAPI: GetNextPacketSize failed (inner)", false}),
    [](const auto& info) {
      return std::string(EndpointStepName(info.param.step)) + "_after_" + std::to_string(info.param.successes);
    });

TEST(CaptureFailureTeardown, ReleasesWhatWasObtainedAfterReporting) {
  const AudioRecording recording = FailingAt(EndpointStep::kGetCaptureClient);
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(
      capture.Start(10, probe.OnChunk(), [&source](const std::string& message) { source.Note("error: " + message); }));
  capture.Stop();
  const auto log = source.Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_THAT(
      std::vector<std::string>(log.end() - 7, log.end()),
      ElementsAre("GetCaptureClient failed", "error: WASAPI: GetService(IAudioCaptureClient) failed",
                  "ReleaseAudioClient", "ReleaseDevice", "ReleaseEnumerator", "LeaveApartment", "UnregisterThread"));
}

struct RejectedFormat {
  const char* name;
  MixFormat format;
  const char* message;
};

void PrintTo(const RejectedFormat& rejected, std::ostream* out) {
  *out << rejected.name;
}

class CaptureRejectsFormat : public ::testing::TestWithParam<RejectedFormat> {};

TEST_P(CaptureRejectsFormat, WithItsMessageAndFreesIt) {
  AudioRecording recording;
  recording.format = GetParam().format;
  recording.AddNullPacket(480);
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError()));
  ASSERT_TRUE(probe.WaitForError());
  capture.Stop();
  EXPECT_THAT(probe.Errors(), ElementsAre(GetParam().message));
  const CaptureStatusSnapshot status = capture.status()->Snapshot();
  EXPECT_EQ(status.error, GetParam().message);
  EXPECT_EQ(status.result_code, std::nullopt) << "no platform call failed";
  EXPECT_EQ(status.format.has_value(), false);
  const auto log = source.Log();
  EXPECT_THAT(std::vector<std::string>(log.begin() + 5, log.begin() + 8),
              ElementsAre("GetMixFormat", "FreeMixFormat", "ReleaseAudioClient"));
}

MixFormat WithBits(MixFormat format, std::uint16_t bits) {
  format.bits_per_sample = bits;
  return format;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CaptureRejectsFormat,
    ::testing::Values(
        RejectedFormat{"Pcm24", WithBits(Int16Format(48000, 2), 24), "WASAPI: unsupported PCM bit depth"},
        RejectedFormat{"Pcm32", WithBits(Int16Format(48000, 2), 32), "WASAPI: unsupported PCM bit depth"},
        RejectedFormat{"Pcm8", WithBits(Int16Format(48000, 2), 8), "WASAPI: unsupported PCM bit depth"},
        RejectedFormat{"Extensible24In32", ExtensibleFormat(48000, 2, 32, kSubtypePcm),
                       "WASAPI: unsupported PCM bit depth"},
        RejectedFormat{"Float64", WithBits(FloatFormat(48000, 2), 64), "WASAPI: unsupported float bit depth"},
        RejectedFormat{"ExtensibleFloat64", ExtensibleFormat(48000, 2, 64, kSubtypeIeeeFloat),
                       "WASAPI: unsupported float bit depth"},
        RejectedFormat{"RateZero", FloatFormat(0, 2), "WASAPI: unsupported sample rate"},
        RejectedFormat{"RateBeyond32Bits", FloatFormat(0x80000000u, 2), "WASAPI: unsupported sample rate"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureInternalFailure, EndsTheThreadWithAMessageAndLetsStartAgain) {
  AudioRecording recording = PlayableRecording();
  recording.failure = EndpointFailure{EndpointStep::kGetBuffer, 0, true};
  EXPECT_EQ(FirstError(recording), "Capture stopped: out of memory");
  EXPECT_FALSE(RunningAfterFailure(recording));
}

}  // namespace
}  // namespace kestro::testing
