// The send protocol against shutdown: whatever acts on the engine from
// another thread does so under the messenger lock while the engine is there,
// or not at all. Results answered while the engine shuts down either arrive
// or are dropped, never sent to a dead engine.
#include <atomic>
#include <stdexcept>
#include <thread>

#include "flutter/messenger_reference.h"
#include "flutter/method_channel.h"
#include "messaging_test_support.h"

namespace flutter::testing {
namespace {

using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::MethodChannel;
using flutter::MethodResult;
using standin::ResponseState;

class ReplyShutdownTest : public MessagingTest {};

TEST_F(ReplyShutdownTest, AnswersRacingEngineDestructionAreSentOrDropped) {
  constexpr int kRounds = 50;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    if (round > 0) SetUp();  // a fresh stand-in and engine
    std::unique_ptr<MethodResult> kept;
    MethodChannel(messenger(), kChannel, &Codec())
        .SetMethodCallHandler(
            [&kept](const MethodCall&, std::unique_ptr<MethodResult> result) { kept = std::move(result); });
    standin::MessageTicket ticket = Deliver(kChannel, CallBytes("start"));
    ASSERT_NE(kept, nullptr);

    std::atomic<bool> go{false};
    std::thread answering([&go, result = std::move(kept)] {
      while (!go.load()) std::this_thread::yield();
      result->Success(EncodableValue(true));
    });
    go.store(true);
    controller_.reset();
    answering.join();

    const ResponseState state = standin::ResponseTo(ticket).state;
    EXPECT_TRUE(state == ResponseState::kAnswered || state == ResponseState::kEngineGone);
    EXPECT_TRUE(NoMisuse());
  }
}

TEST_F(ReplyShutdownTest, UnansweredResultsReleaseTheMessengerAfterShutdown) {
  std::vector<std::unique_ptr<MethodResult>> kept;
  MethodChannel(messenger(), kChannel, &Codec())
      .SetMethodCallHandler(
          [&kept](const MethodCall&, std::unique_ptr<MethodResult> result) { kept.push_back(std::move(result)); });
  for (int i = 0; i < 4; ++i) Deliver(kChannel, CallBytes("m"));
  controller_.reset();
  ::testing::internal::CaptureStderr();
  std::thread releasing([results = std::move(kept)]() mutable { results.clear(); });
  releasing.join();
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(written.size(),
            4 * std::string("Warning: Failed to respond to a message. This is a memory leak.\n").size());
  EXPECT_TRUE(NoMisuse());
}

class MessengerReferenceTest : public MessagingTest {
 protected:
  standin::EngineInfo Engine() const { return *standin::GetEngine(engine_id_); }
};

TEST_F(MessengerReferenceTest, ActsUnderTheLockWhileTheEngineIsThereAndNeverAfter) {
  flutter::MessengerReference reference(controller_->Engine()->MessengerHandle());
  bool locked_while_acting = false;
  EXPECT_TRUE(reference.IfEngineAvailable([&] { locked_while_acting = Engine().messenger_locked; }));
  EXPECT_TRUE(locked_while_acting);

  EXPECT_THROW(reference.IfEngineAvailable([] { throw std::runtime_error("send failed"); }), std::runtime_error);
  EXPECT_FALSE(Engine().messenger_locked) << "an exception left the messenger locked";

  // Copies hold references of their own; a move hands its one over.
  flutter::MessengerReference copy = reference;
  flutter::MessengerReference moved = std::move(copy);
  EXPECT_EQ(Engine().host_messenger_references, 2);

  controller_.reset();
  bool acted = false;
  EXPECT_FALSE(moved.IfEngineAvailable([&] { acted = true; }));
  EXPECT_FALSE(flutter::MessengerReference().IfEngineAvailable([&] { acted = true; }));
  EXPECT_FALSE(acted);
  EXPECT_FALSE(Engine().messenger_locked);

  reference = flutter::MessengerReference();
  moved = std::move(reference);
  EXPECT_EQ(Engine().host_messenger_references, 0);
  EXPECT_TRUE(NoMisuse());
}

}  // namespace
}  // namespace flutter::testing
