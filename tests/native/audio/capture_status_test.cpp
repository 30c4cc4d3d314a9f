// What the capture engine's status says across a capture's life.
#include <gtest/gtest.h>

#include "capture_probe.h"

namespace kestro::testing {
namespace {

AudioRecording Packets(int count) {
  AudioRecording recording;
  recording.format = Int16Format(48000, 2);
  recording.device_name = "Speakers (Recorded)";
  for (int k = 0; k < count; ++k) recording.AddInt16Packet(std::vector<std::int16_t>(960, 100));
  return recording;
}

TEST(CaptureStatus, IsStoppedWithNothingKnownBeforeTheFirstStart) {
  RecordedAudioSource source(Packets(1));
  KestroLoopbackCapture capture(source.Factory());
  const CaptureStatusSnapshot status = capture.status()->Snapshot();
  EXPECT_EQ(status.state, CaptureState::kStopped);
  EXPECT_FALSE(status.error || status.result_code || status.device || status.format);
  EXPECT_EQ(status.chunks_emitted + status.chunks_dropped + status.silence_samples + status.device_switches, 0u);
}

TEST(CaptureStatus, NamesTheDeviceAndFormatWhileCapturingAndKeepsThemAfterStop) {
  RecordedAudioSource source(Packets(6));  // 60 ms: six 10 ms chunks less one sample
  KestroLoopbackCapture capture(source.Factory());
  CaptureProbe probe;
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  CaptureStatusSnapshot status = capture.status()->Snapshot();
  EXPECT_EQ(status.state, CaptureState::kCapturing);
  EXPECT_EQ(status.device, "Speakers (Recorded)");
  ASSERT_TRUE(status.format.has_value());
  EXPECT_EQ(status.format->sample_rate, 48000);
  EXPECT_EQ(status.format->channels, 2);
  EXPECT_FALSE(status.format->is_float);
  EXPECT_FALSE(status.error || status.result_code);
  capture.Stop();
  status = capture.status()->Snapshot();
  EXPECT_EQ(status.state, CaptureState::kStopped);
  EXPECT_EQ(status.device, "Speakers (Recorded)");
}

TEST(CaptureStatus, CountsFromTheLastStartThatLaunchedACapture) {
  RecordedAudioSource source(Packets(2));
  KestroLoopbackCapture capture(source.Factory());
  capture.status()->CountChunk(true);
  capture.status()->CountChunk(false);
  capture.status()->CountSilence(16);
  CaptureProbe probe;
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError()));
  const CaptureStatusSnapshot status = capture.status()->Snapshot();
  EXPECT_EQ(status.chunks_emitted + status.chunks_dropped + status.silence_samples, 0u);
  capture.status()->CountChunk(true);
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError())) << "changes nothing";
  EXPECT_EQ(capture.status()->Snapshot().chunks_emitted, 1u);
  capture.Stop();
  EXPECT_EQ(capture.status()->Snapshot().chunks_emitted, 1u);
}

TEST(CaptureStatus, ANewStartClearsTheLastFailure) {
  AudioRecording recording = Packets(4);
  recording.failure = EndpointFailure{EndpointStep::kGetBuffer, 1, false, 0x8889000A};
  RecordedAudioSource source(recording);
  KestroLoopbackCapture capture(source.Factory());
  CaptureProbe first;
  ASSERT_TRUE(capture.Start(10, first.OnChunk(), first.OnError()));
  ASSERT_TRUE(first.WaitForError());
  EXPECT_EQ(capture.status()->Snapshot().result_code, 0x8889000Au);
  CaptureProbe second;
  ASSERT_TRUE(capture.Start(10, second.OnChunk(), second.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  const CaptureStatusSnapshot status = capture.status()->Snapshot();
  EXPECT_EQ(status.state, CaptureState::kCapturing);
  EXPECT_FALSE(status.error || status.result_code);
}

}  // namespace
}  // namespace kestro::testing
