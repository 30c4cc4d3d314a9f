// Incoming messages reach their channel's handler; each is answered at most
// once; outgoing messages go with or without a reply.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "flutter/binary_messenger_impl.h"
#include "messaging_test_support.h"

namespace kestro_test {
namespace {

using flutter::ReplyCallback;
using standin::ResponseState;

const std::string kChannel = "kestro/test";
const std::vector<uint8_t> kMessage = {1, 2, 3};

class BinaryMessengerTest : public MessagingTest {
 protected:
  // Installs a handler that keeps each reply for the test to answer.
  void InstallKeepingHandler() {
    messenger()->SetChannelHandler(kChannel, [this](const uint8_t* bytes, size_t size, ReplyCallback reply) {
      received_.emplace_back(bytes, bytes + size);
      kept_reply_ = std::move(reply);
    });
  }

  std::vector<std::vector<uint8_t>> received_;
  ReplyCallback kept_reply_;
};

TEST_F(BinaryMessengerTest, HandlerGetsTheMessageAndItsAnswerReachesTheUi) {
  InstallKeepingHandler();
  standin::MessageTicket ticket = Deliver(kChannel, kMessage);
  ASSERT_EQ(received_, std::vector<std::vector<uint8_t>>{kMessage});
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kAwaitingAnswer);

  const std::vector<uint8_t> answer = {9, 8};
  kept_reply_(answer.data(), answer.size());
  standin::InjectedResponse response = standin::ResponseTo(ticket);
  EXPECT_EQ(response.state, ResponseState::kAnswered);
  EXPECT_EQ(response.bytes, answer);
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, NullAnswerOfLengthZeroIsAnEmptyResponse) {
  InstallKeepingHandler();
  standin::MessageTicket ticket = Deliver(kChannel, kMessage);
  kept_reply_(nullptr, 0);
  standin::InjectedResponse response = standin::ResponseTo(ticket);
  EXPECT_EQ(response.state, ResponseState::kAnswered);
  EXPECT_TRUE(response.bytes.empty());
}

TEST_F(BinaryMessengerTest, SecondAnswerIsReportedOnceAndNotSent) {
  InstallKeepingHandler();
  standin::MessageTicket ticket = Deliver(kChannel, kMessage);
  const std::vector<uint8_t> first = {1}, second = {2};
  kept_reply_(first.data(), first.size());
  testing::internal::CaptureStderr();
  kept_reply_(second.data(), second.size());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: Response can be set only once. Ignoring duplicate response.\n");
  EXPECT_EQ(standin::ResponseTo(ticket).bytes, first);
  EXPECT_TRUE(NoMisuse());
}

// A response handle is spent by its first use, so copies of one reply must
// not answer again.
TEST_F(BinaryMessengerTest, CopiesOfOneReplyAnswerOnlyOnce) {
  InstallKeepingHandler();
  standin::MessageTicket ticket = Deliver(kChannel, kMessage);
  ReplyCallback copy = kept_reply_;
  const std::vector<uint8_t> first = {1};
  copy(first.data(), first.size());
  testing::internal::CaptureStderr();
  kept_reply_(nullptr, 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Ignoring duplicate response."), std::string::npos);
  EXPECT_EQ(standin::ResponseTo(ticket).bytes, first);
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, AnswerAfterTheEngineIsGoneIsDroppedSilently) {
  InstallKeepingHandler();
  standin::MessageTicket ticket = Deliver(kChannel, kMessage);
  controller_.reset();
  testing::internal::CaptureStderr();
  kept_reply_(kMessage.data(), kMessage.size());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  kept_reply_ = nullptr;  // lets go of the last messenger reference
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kEngineGone);
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, ReferenceOnTheMessengerLivesExactlyAsLongAsTheReply) {
  InstallKeepingHandler();
  Deliver(kChannel, kMessage);
  EXPECT_EQ(standin::GetEngine(engine_id_)->host_messenger_references, 1);
  kept_reply_(nullptr, 0);
  kept_reply_ = nullptr;
  EXPECT_EQ(standin::GetEngine(engine_id_)->host_messenger_references, 0);
}

TEST_F(BinaryMessengerTest, ReplacingAHandlerDestroysTheFirstAndRoutesToTheSecond) {
  auto first_alive = std::make_shared<int>(0);
  std::weak_ptr<int> first_watch = first_alive;
  int first_calls = 0, second_calls = 0;
  messenger()->SetChannelHandler(kChannel, [first_alive, &first_calls](const uint8_t*, size_t, ReplyCallback) {
    ++first_calls;
  });
  first_alive.reset();
  messenger()->SetChannelHandler(kChannel, [&second_calls](const uint8_t*, size_t, ReplyCallback reply) {
    ++second_calls;
    reply(nullptr, 0);
  });
  EXPECT_TRUE(first_watch.expired());
  Exchange(kChannel, kMessage);
  EXPECT_EQ(first_calls, 0);
  EXPECT_EQ(second_calls, 1);
  EXPECT_EQ(standin::GetEngine(engine_id_)->channels, std::vector<std::string>{kChannel});
}

TEST_F(BinaryMessengerTest, RemovingAHandlerStopsDeliveryEvenForAChannelThatNeverHadOne) {
  InstallKeepingHandler();
  messenger()->SetChannelHandler(kChannel, nullptr);
  messenger()->SetChannelHandler("kestro/never_used", nullptr);
  EXPECT_TRUE(standin::GetEngine(engine_id_)->channels.empty());
  EXPECT_EQ(Exchange(kChannel, kMessage).state, ResponseState::kNoHandler);
  EXPECT_TRUE(received_.empty());
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, DestroyingTheMessengerDestroysHandlersWithoutUnregistering) {
  // A second messenger over the same engine, so that the engine outlives it.
  auto messenger_impl = std::make_unique<flutter::BinaryMessengerImpl>(
      FlutterDesktopEngineGetMessenger(controller_->Engine()->HandOverEngine()));
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  messenger_impl->SetChannelHandler(kChannel, [alive](const uint8_t*, size_t, ReplyCallback) {});
  alive.reset();
  messenger_impl.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(standin::GetEngine(engine_id_)->channels, std::vector<std::string>{kChannel});
  messenger()->SetChannelHandler(kChannel, nullptr);
}

TEST_F(BinaryMessengerTest, ExceptionFromAHandlerIsReportedAndStaysOnOurSide) {
  messenger()->SetChannelHandler(kChannel, [](const uint8_t*, size_t, ReplyCallback) {
    throw std::runtime_error("handler failed");
  });
  testing::internal::CaptureStderr();
  Deliver(kChannel, kMessage);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: Exception in channel message handler: handler failed\n");
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, SendWithoutReplyAsksForNoAnswer) {
  messenger()->SendToChannel(kChannel, kMessage.data(), kMessage.size());
  std::vector<standin::SentMessage> sent = SentOn(kChannel);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes, kMessage);
  EXPECT_FALSE(sent[0].wants_reply);
}

TEST_F(BinaryMessengerTest, SendWithReplyRunsTheReplyOnceWithTheAnswer) {
  std::vector<std::vector<uint8_t>> answers;
  messenger()->SendToChannel(kChannel, kMessage.data(), kMessage.size(), [&answers](const uint8_t* bytes, size_t size) {
    answers.emplace_back(bytes, bytes + size);
  });
  std::vector<standin::SentMessage> sent = SentOn(kChannel);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].wants_reply);
  ASSERT_TRUE(standin::AnswerSentMessage(sent[0].id, {7, 7}));
  standin::PumpPlatformThread();
  EXPECT_EQ(answers, (std::vector<std::vector<uint8_t>>{{7, 7}}));
  EXPECT_FALSE(standin::AnswerSentMessage(sent[0].id, {8}));
}

TEST_F(BinaryMessengerTest, RefusedSendWithReplyFreesTheReplyWithoutRunningIt) {
  standin::RefuseSendWithReply(true);
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  bool ran = false;
  messenger()->SendToChannel(kChannel, kMessage.data(), kMessage.size(),
                             [alive, &ran](const uint8_t*, size_t) { ran = true; });
  alive.reset();
  standin::PumpPlatformThread();
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(ran);
  EXPECT_TRUE(SentOn(kChannel).empty());
}

TEST_F(BinaryMessengerTest, ExceptionFromAReplyIsReportedAndTheReplyFreed) {
  messenger()->SendToChannel(kChannel, kMessage.data(), kMessage.size(),
                             [](const uint8_t*, size_t) { throw std::runtime_error("reply failed"); });
  ASSERT_TRUE(standin::AnswerSentMessage(SentOn(kChannel).at(0).id, {}));
  testing::internal::CaptureStderr();
  standin::PumpPlatformThread();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Exception in reply callback: reply failed\n");
}

}  // namespace
}  // namespace kestro_test
