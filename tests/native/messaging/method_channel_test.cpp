// Method calls are decoded, dispatched to the channel's handler and answered
// once with a success envelope, an error envelope or the empty answer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "flutter/method_channel.h"
#include "messaging_test_support.h"

namespace kestro_test {
namespace {

using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::MethodChannel;
using flutter::MethodResult;
using standin::ResponseState;

const std::string kChannel = "kestro/test";
const char kDuplicateResult[] =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called exactly once. "
    "Ignoring duplicate result.\n";
const char kUnanswered[] = "Warning: Failed to respond to a message. This is a memory leak.\n";

class MethodChannelTest : public MessagingTest {
 protected:
  void SetUp() override {
    MessagingTest::SetUp();
    channel_ = std::make_unique<MethodChannel>(messenger(), kChannel, &Codec());
  }

  // Installs a handler that answers each call with `answer`.
  void Answer(std::function<void(MethodResult&)> answer) {
    channel_->SetMethodCallHandler([this, answer](const MethodCall& call, std::unique_ptr<MethodResult> result) {
      calls_.push_back(call.method_name());
      answer(*result);
    });
  }

  std::unique_ptr<MethodChannel> channel_;
  std::vector<std::string> calls_;
};

TEST_F(MethodChannelTest, HandlerGetsTheDecodedCall) {
  EncodableValue seen_arguments;
  channel_->SetMethodCallHandler([&](const MethodCall& call, std::unique_ptr<MethodResult> result) {
    calls_.push_back(call.method_name());
    seen_arguments = *call.arguments();
    result->Success();
  });
  const EncodableValue arguments(flutter::ValueMap{{EncodableValue("chunk_ms"), EncodableValue(int32_t{100})}});
  Exchange(kChannel, CallBytes("start", arguments));
  EXPECT_EQ(calls_, std::vector<std::string>{"start"});
  const EncodableValue* chunk_ms = seen_arguments.Find("chunk_ms");
  ASSERT_NE(chunk_ms, nullptr);
  EXPECT_EQ(chunk_ms->Get<int32_t>(), 100);
}

TEST_F(MethodChannelTest, EachAnswerBecomesItsEnvelope) {
  const EncodableValue value(true);
  const EncodableValue details("why");
  struct Case {
    std::function<void(MethodResult&)> answer;
    std::vector<uint8_t> expected;
  } cases[] = {
      {[&](MethodResult& r) { r.Success(value); }, SuccessBytes(&value)},
      // Success without a value still carries a (non-empty) envelope.
      {[](MethodResult& r) { r.Success(); }, SuccessBytes()},
      {[&](MethodResult& r) { r.Error("code", "message", details); }, ErrorBytes("code", "message", &details)},
      {[](MethodResult& r) { r.NotImplemented(); }, {}},
  };
  for (const Case& c : cases) {
    Answer(c.answer);
    standin::InjectedResponse response = Exchange(kChannel, CallBytes("m"));
    EXPECT_EQ(response.state, ResponseState::kAnswered);
    EXPECT_EQ(response.bytes, c.expected);
  }
  EXPECT_FALSE(SuccessBytes().empty());
  EXPECT_TRUE(NoMisuse());
}

TEST_F(MethodChannelTest, SecondAnswerIsReportedOnceAndSendsNothing) {
  Answer([](MethodResult& result) {
    result.NotImplemented();
    testing::internal::CaptureStderr();
    result.Success();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kDuplicateResult);
  });
  standin::InjectedResponse response = Exchange(kChannel, CallBytes("m"));
  EXPECT_TRUE(response.bytes.empty());
  EXPECT_TRUE(NoMisuse());
}

TEST_F(MethodChannelTest, UndecodableMessageGetsTheEmptyAnswerWithoutReachingTheHandler) {
  Answer([](MethodResult& result) { result.Success(); });
  testing::internal::CaptureStderr();
  standin::InjectedResponse response = Exchange(kChannel, NotACall());
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(EndsWith(written, "Unable to construct method call from message on channel kestro/test\n")) << written;
  EXPECT_EQ(written.find("Warning"), std::string::npos);
  EXPECT_EQ(response.state, ResponseState::kAnswered);
  EXPECT_TRUE(response.bytes.empty());
  EXPECT_TRUE(calls_.empty());
}

TEST_F(MethodChannelTest, DroppedUnansweredResultWarnsOnceAndSendsNothing) {
  Answer([](MethodResult&) {});
  testing::internal::CaptureStderr();
  standin::MessageTicket ticket = Deliver(kChannel, CallBytes("m"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kUnanswered);
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kAwaitingAnswer);
}

TEST_F(MethodChannelTest, KeptResultAnswersLater) {
  std::unique_ptr<MethodResult> kept;
  channel_->SetMethodCallHandler(
      [&kept](const MethodCall&, std::unique_ptr<MethodResult> result) { kept = std::move(result); });
  standin::MessageTicket ticket = Deliver(kChannel, CallBytes("m"));
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kAwaitingAnswer);
  kept->Success(EncodableValue(int32_t{5}));
  const EncodableValue five(int32_t{5});
  EXPECT_EQ(standin::ResponseTo(ticket).bytes, SuccessBytes(&five));
}

TEST_F(MethodChannelTest, EmptyHandlerRemovesTheChannelsHandler) {
  Answer([](MethodResult& result) { result.Success(); });
  channel_->SetMethodCallHandler(nullptr);
  EXPECT_EQ(Exchange(kChannel, CallBytes("m")).state, ResponseState::kNoHandler);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(MethodChannelTest, HandlerOutlivesItsChannelObject) {
  Answer([](MethodResult& result) { result.Success(); });
  channel_.reset();
  EXPECT_EQ(Exchange(kChannel, CallBytes("m")).bytes, SuccessBytes());
  EXPECT_EQ(calls_.size(), 1u);
}

}  // namespace
}  // namespace kestro_test
