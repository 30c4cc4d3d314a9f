// Start and Stop across the engine's states, and callbacks misbehaving.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "capture_probe.h"

namespace kestro::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

AudioRecording Packets(int count) {
  AudioRecording recording;
  recording.format = FloatFormat(16000, 1);
  for (int k = 0; k < count; ++k) recording.AddFloatPacket(std::vector<float>(160, 0.5f));
  return recording;
}

TEST(CaptureStop, DoesNothingBeforeStartOrWhenRepeated) {
  RecordedAudioSource source(Packets(1));
  KestroLoopbackCapture capture(source.Factory());
  capture.Stop();
  capture.Stop();
  CaptureProbe probe;
  ASSERT_TRUE(capture.Start(10, probe.OnChunk(), probe.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  capture.Stop();
  EXPECT_EQ(source.EndpointsCreated(), 1);
  EXPECT_THAT(probe.Errors(), IsEmpty());
}

TEST(CaptureStart, WhileCapturingKeepsTheFirstCallbacksAndChunkLength) {
  RecordedAudioSource source(Packets(6));
  source.MakeAvailable(2);
  CaptureProbe first;
  CaptureProbe second;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10, first.OnChunk(), first.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  EXPECT_TRUE(capture.Start(5, second.OnChunk(), second.OnError()));
  source.MakeAvailable(6);
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  EXPECT_EQ(source.EndpointsCreated(), 1);
  EXPECT_THAT(first.Chunks(), SizeIs(5));  // 959 samples
  EXPECT_THAT(first.Chunks(), Each(SizeIs(320)));
  EXPECT_THAT(second.Chunks(), IsEmpty());
}

TEST(CaptureStart, AfterGetBufferFailedStartsAFreshCapture) {
  AudioRecording recording = Packets(4);
  recording.failure = EndpointFailure{EndpointStep::kGetBuffer, 1, false};
  RecordedAudioSource source(recording);
  CaptureProbe first;
  CaptureProbe second;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10, first.OnChunk(), first.OnError()));
  ASSERT_TRUE(first.WaitForError());
  ASSERT_TRUE(capture.Start(10, second.OnChunk(), second.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  EXPECT_EQ(source.EndpointsCreated(), 2);
  // The first packet's samples wait for a neighbour and are lost with the
  // failed capture; the fresh one starts from empty buffers.
  EXPECT_THAT(first.Chunks(), IsEmpty());
  EXPECT_THAT(second.Chunks(), SizeIs(2));
  EXPECT_THAT(second.Errors(), IsEmpty());
}

TEST(CaptureStart, AfterASetUpFailureChangesNothingUntilStop) {
  AudioRecording recording = Packets(2);
  recording.failure = EndpointFailure{EndpointStep::kStartClient, 0, false};
  RecordedAudioSource source(recording);
  CaptureProbe first;
  CaptureProbe second;
  CaptureProbe third;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10, first.OnChunk(), first.OnError()));
  ASSERT_TRUE(first.WaitForError());
  EXPECT_TRUE(capture.Start(10, second.OnChunk(), second.OnError()));
  capture.Stop();
  EXPECT_EQ(source.EndpointsCreated(), 1);
  ASSERT_TRUE(capture.Start(10, third.OnChunk(), third.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  EXPECT_THAT(first.Errors(), ElementsAre("WASAPI: Start failed"));
  EXPECT_THAT(second.Errors(), IsEmpty());
  EXPECT_THAT(third.Chunks(), SizeIs(1));
}

TEST(CaptureStop, DropsUnemittedSamplesInsteadOfCarryingThemOver) {
  RecordedAudioSource source(Packets(6));
  source.MakeAvailable(2);
  CaptureProbe first;
  CaptureProbe second;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(25, first.OnChunk(), first.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();  // 319 samples pending, never emitted
  source.MakeAvailable(6);
  ASSERT_TRUE(capture.Start(25, second.OnChunk(), second.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  EXPECT_THAT(first.Chunks(), IsEmpty());
  // 639 fresh samples make one chunk of 400; carried over they would make two.
  EXPECT_THAT(second.Chunks(), SizeIs(1));
}

TEST(CaptureCallbacks, MayStopTheCaptureFromTheCaptureThread) {
  RecordedAudioSource source(Packets(5));
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(5, probe.OnChunk([&capture] { capture.Stop(); }), probe.OnError()));
  ASSERT_TRUE(probe.WaitForChunks(1));
  capture.Stop();
  EXPECT_THAT(probe.Chunks(), SizeIs(1));
  CaptureProbe again;
  ASSERT_TRUE(capture.Start(5, again.OnChunk(), again.OnError()));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  EXPECT_EQ(source.EndpointsCreated(), 2);
  EXPECT_THAT(again.Chunks(), Not(IsEmpty()));
}

TEST(CaptureCallbacks, AThrowingChunkCallbackLosesOnlyItsChunk) {
  RecordedAudioSource source(Packets(3));
  std::atomic<int> calls{0};
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10,
                            [&calls](std::vector<std::uint8_t>) {
                              ++calls;
                              throw std::runtime_error("listener gone");
                            },
                            {}));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();
  EXPECT_EQ(calls.load(), 2);
}

}  // namespace
}  // namespace kestro::testing
