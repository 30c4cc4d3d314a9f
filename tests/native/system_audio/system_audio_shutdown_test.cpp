// Closing the window destroys the view controller while capture may be
// running: no event may reach the engine library after its engine has shut
// down, and none may be lost before.
#include <gtest/gtest.h>

#include "system_audio_fixture.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;

class SystemAudioShutdown : public SystemAudioTest {
 protected:
  AudioEndpointFactory Endpoints() override { return RampEndpointFactory(0); }
};

TEST_F(SystemAudioShutdown, DestroyingTheViewControllerWhileCaptureRuns) {
  for (int round = 0; round < 200; ++round) {
    if (round > 0) SetUp();
    ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
    ASSERT_EQ(Start(ChunkMs(EncodableValue(80))), Success(EncodableValue(true)));
    ASSERT_TRUE(WaitForEvents(3)) << "round " << round;

    controller_.reset();

    const standin::Counters counters = standin::GetCounters();
    ASSERT_EQ(counters.sends_after_engine_gone, 0) << "round " << round;
    ASSERT_EQ(counters.unbalanced_calls, 0) << "round " << round;
    // The send gate's messenger reference went with the capture engine.
    ASSERT_EQ(standin::GetEngine(engine_id_)->host_messenger_references, 0) << "round " << round;
    const std::vector<std::int16_t> samples = SamplesOf(Events());
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.front(), 0) << "the first chunk went out";
    ASSERT_TRUE(IsUnbrokenRamp(samples)) << "a chunk was lost in round " << round;
  }
}

}  // namespace
}  // namespace kestro::testing
