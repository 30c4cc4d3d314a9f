// Incoming messages reach their channel's handler and are answered at most
// once; outgoing messages go with or without a reply.
#include <memory>
#include <stdexcept>

#include "flutter/binary_messenger_impl.h"
#include "messaging_test_support.h"

namespace flutter::testing {
namespace {

using flutter::ReplyCallback;
using standin::ResponseState;

const std::vector<uint8_t> kBytes = {1, 2, 3};

class BinaryMessengerTest : public MessagingTest {
 protected:
  standin::MessageTicket DeliverAndKeepReply() {
    messenger()->SetChannelHandler(kChannel, [this](const uint8_t*, size_t, ReplyCallback reply) { kept_ = reply; });
    return Deliver(kChannel, kBytes);
  }
  ReplyCallback kept_;
};

TEST_F(BinaryMessengerTest, EachMessageIsAnsweredAtMostOnceEvenThroughCopies) {
  standin::MessageTicket ticket = DeliverAndKeepReply();
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kAwaitingAnswer);
  ReplyCallback copy = kept_;
  copy(nullptr, 0);  // the empty response
  ::testing::internal::CaptureStderr();
  kept_(kBytes.data(), kBytes.size());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error: Response can be set only once. Ignoring duplicate response.\n");
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kAnswered);
  EXPECT_TRUE(standin::ResponseTo(ticket).bytes.empty());
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, AnswerAfterShutdownIsDroppedSilentlyAndReleasesTheMessenger) {
  standin::MessageTicket ticket = DeliverAndKeepReply();
  EXPECT_EQ(standin::GetEngine(engine_id_)->host_messenger_references, 1);
  controller_.reset();
  ::testing::internal::CaptureStderr();
  kept_(kBytes.data(), kBytes.size());
  kept_ = nullptr;
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kEngineGone);
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, ReplacingOrRemovingAHandlerDestroysTheOldOne) {
  auto token = std::make_shared<int>();
  std::weak_ptr<int> first_alive = token;
  messenger()->SetChannelHandler(kChannel, [token](const uint8_t*, size_t, ReplyCallback) { FAIL(); });
  token.reset();
  messenger()->SetChannelHandler(kChannel,
                                 [](const uint8_t*, size_t, ReplyCallback reply) { reply(kBytes.data(), 1); });
  EXPECT_TRUE(first_alive.expired());
  EXPECT_EQ(Exchange(kChannel, kBytes).bytes, std::vector<uint8_t>{1});

  messenger()->SetChannelHandler(kChannel, nullptr);
  messenger()->SetChannelHandler("kestro/never_used", nullptr);
  EXPECT_TRUE(standin::GetEngine(engine_id_)->channels.empty());
  EXPECT_EQ(Exchange(kChannel, kBytes).state, ResponseState::kNoHandler);
  EXPECT_TRUE(NoMisuse());
}

TEST_F(BinaryMessengerTest, DestroyedMessengerDestroysHandlersWithoutUnregistering) {
  auto second = std::make_unique<flutter::BinaryMessengerImpl>(
      FlutterDesktopEngineGetMessenger(controller_->Engine()->HandOverEngine()));
  auto token = std::make_shared<int>();
  std::weak_ptr<int> alive = token;
  second->SetChannelHandler(kChannel, [token](const uint8_t*, size_t, ReplyCallback) {});
  token.reset();
  second.reset();
  EXPECT_TRUE(alive.expired());
  EXPECT_EQ(standin::GetEngine(engine_id_)->channels, std::vector<std::string>{kChannel});
  messenger()->SetChannelHandler(kChannel, nullptr);  // the stale registration must not be delivered to
}

TEST_F(BinaryMessengerTest, SendsAskForAnAnswerOnlyWithAReplyWhichRunsOnceOrIsFreed) {
  std::vector<std::vector<uint8_t>> answers;
  messenger()->SendToChannel(kChannel, kBytes.data(), kBytes.size());
  messenger()->SendToChannel(kChannel, kBytes.data(), kBytes.size(), [&answers](const uint8_t* bytes, size_t size) {
    answers.emplace_back(bytes, bytes + size);
  });
  std::vector<standin::SentMessage> sent = SentOn(kChannel);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_FALSE(sent[0].wants_reply);
  EXPECT_TRUE(sent[1].wants_reply);
  ASSERT_TRUE(standin::AnswerSentMessage(sent[1].id, {7}));
  standin::PumpPlatformThread();
  EXPECT_EQ(answers, std::vector<std::vector<uint8_t>>{{7}});

  standin::RefuseSendWithReply(true);
  auto token = std::make_shared<int>();
  std::weak_ptr<int> alive = token;
  messenger()->SendToChannel(kChannel, kBytes.data(), kBytes.size(), [token](const uint8_t*, size_t) { FAIL(); });
  token.reset();
  EXPECT_TRUE(alive.expired());
}

TEST_F(BinaryMessengerTest, ExceptionsFromHandlersAndRepliesStayOnOurSide) {
  messenger()->SetChannelHandler(
      kChannel, [](const uint8_t*, size_t, ReplyCallback) { throw std::runtime_error("handler failed"); });
  messenger()->SendToChannel(kChannel, kBytes.data(), kBytes.size(),
                             [](const uint8_t*, size_t) { throw std::runtime_error("reply failed"); });
  ASSERT_TRUE(standin::AnswerSentMessage(SentOn(kChannel).at(0).id, {}));
  ::testing::internal::CaptureStderr();
  Deliver(kChannel, kBytes);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error: Exception in reply callback: reply failed\n"
            "Error: Exception in channel message handler: handler failed\n");
}

}  // namespace
}  // namespace flutter::testing
