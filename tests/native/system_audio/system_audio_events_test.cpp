// Chunks reach the UI as byte-list events on "kestro/system_audio_events",
// only while a listener is there.
#include <gtest/gtest.h>

#include <thread>

#include "system_audio_fixture.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;

using SystemAudioEvents = SystemAudioTest;

// Runs the platform thread for a while, whatever arrives.
void PumpFor(std::chrono::milliseconds duration) {
  standin::PumpUntil([] { return false; }, duration);
}

TEST_F(SystemAudioEvents, ChunkLengthFollowsChunkMs) {
  const struct {
    EncodableValue arguments;
    size_t bytes;
  } cases[] = {
      {ChunkMs(EncodableValue(100)), 3200},           {ChunkMs(EncodableValue(50)), 2560},
      {ChunkMs(EncodableValue(5000)), 64000},         {EncodableValue(), 19200},
      {ChunkMs(EncodableValue("100")), 19200},        {ChunkMs(EncodableValue(100.0)), 19200},
      {ChunkMs(EncodableValue(int64_t{100})), 19200},
  };
  ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  for (const auto& c : cases) {
    const size_t before = Events().size();
    ASSERT_EQ(Start(c.arguments), Success(EncodableValue(true)));
    ASSERT_TRUE(WaitForEvents(before + 2));
    ASSERT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
    const auto all = Events();
    const std::vector<std::vector<uint8_t>> events(all.begin() + before, all.end());
    for (const auto& event : events) EXPECT_EQ(event.size(), c.bytes);
    EXPECT_TRUE(IsUnbrokenRamp(SamplesOf(events)));
  }
}

TEST_F(SystemAudioEvents, NothingIsSentBeforeListenOrAfterCancel) {
  ASSERT_EQ(Start(ChunkMs(EncodableValue(80))), Success(EncodableValue(true)));
  PumpFor(std::chrono::milliseconds(100));
  EXPECT_TRUE(Events().empty());

  ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  ASSERT_TRUE(WaitForEvents(3));
  ASSERT_EQ(Call(kEvents, "cancel"), SuccessWithoutValue());
  // A chunk already on its way when cancel ran may still arrive; no more.
  const size_t at_cancel = Events().size();
  PumpFor(std::chrono::milliseconds(100));
  EXPECT_LE(Events().size(), at_cancel + 1);

  // Capture went on without a listener; a new listener gets its chunks.
  ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  EXPECT_TRUE(WaitForEvents(Events().size() + 2));
}

TEST_F(SystemAudioEvents, ASecondListenReplacesTheSink) {
  ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  ASSERT_EQ(Start(ChunkMs(EncodableValue(80))), Success(EncodableValue(true)));
  ASSERT_TRUE(WaitForEvents(2));
  ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  ASSERT_TRUE(WaitForEvents(Events().size() + 3));
  ASSERT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
  // Each chunk went out once: two sinks sending would repeat samples.
  EXPECT_TRUE(IsUnbrokenRamp(SamplesOf(Events())));
}

TEST_F(SystemAudioEvents, NoEventAfterStopAnswered) {
  ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  ASSERT_EQ(Start(ChunkMs(EncodableValue(80))), Success(EncodableValue(true)));
  ASSERT_TRUE(WaitForEvents(2));
  ASSERT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
  const size_t at_stop = Events().size();
  PumpFor(std::chrono::milliseconds(100));
  EXPECT_EQ(Events().size(), at_stop);
}

// The UI drives every operation from the platform thread while the capture
// thread emits as fast as it can; run under TSan for the data races.
class SystemAudioFlatOut : public SystemAudioTest {
  AudioEndpointFactory Endpoints() override { return RampEndpointFactory(0); }
};

TEST_F(SystemAudioFlatOut, StartStopListenCancelFromThePlatformThread) {
  for (int round = 0; round < 60; ++round) {
    Call(kEvents, "listen");
    Start(ChunkMs(EncodableValue(80)));
    PumpFor(std::chrono::milliseconds(2));
    Call(kEvents, round % 2 ? "cancel" : "listen");
    Call(kMethods, round % 3 ? "stop" : "start");
    PumpFor(std::chrono::milliseconds(1));
    Call(kEvents, "cancel");
  }
  EXPECT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
  EXPECT_FALSE(standin::SentMessages().empty());
}

}  // namespace
}  // namespace kestro::testing
