// Closing the window destroys the view controller while capture may be
// running: no event may reach the engine library after its engine has shut
// down, and none may be lost before.
#include <gtest/gtest.h>

#include "system_audio_fixture.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;

// Flat out: in odd rounds without end, so that the controller goes while
// chunks are being sent (the stand-in then keeps only the latest events); in
// even rounds a burst of 250 chunks, short enough for it to keep them all.
class SystemAudioShutdown : public SystemAudioTest {
 protected:
  AudioEndpointFactory Endpoints() override { return RampEndpointFactory(0, round_ % 2 ? 0 : 2000); }
  int round_ = 0;
};

TEST_F(SystemAudioShutdown, DestroyingTheViewControllerWhileCaptureRuns) {
  for (int& round = round_; round < 200; ++round) {
    if (round > 0) SetUp();
    ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
    ASSERT_EQ(Start(ChunkMs(EncodableValue(80))), Success(EncodableValue(true)));
    ASSERT_TRUE(WaitForEvents(3)) << "round " << round;

    controller_.reset();

    const standin::Counters counters = standin::GetCounters();
    ASSERT_EQ(counters.sends_after_engine_gone, 0) << "round " << round;
    ASSERT_EQ(counters.unbalanced_calls, 0) << "round " << round;
    // The handlers' messenger references went with the capture engine.
    ASSERT_EQ(standin::GetEngine(engine_id_)->host_messenger_references, 0) << "round " << round;
    const auto events = Events();
    const std::vector<std::int16_t> samples = SamplesOf(events);
    ASSERT_FALSE(samples.empty());
    if (events.size() < standin::kSentMessagesKept) {
      EXPECT_EQ(samples.front(), 0) << "the first chunk went out in round " << round;
    }
    ASSERT_TRUE(IsUnbrokenRamp(samples)) << "a chunk was lost in round " << round;
  }
}

}  // namespace
}  // namespace kestro::testing
