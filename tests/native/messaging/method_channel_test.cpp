// Method calls are decoded, dispatched and answered once with a success
// envelope, an error envelope or the empty answer.
#include <functional>

#include "flutter/method_channel.h"
#include "messaging_test_support.h"

namespace flutter::testing {
namespace {

using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::MethodResult;
using standin::ResponseState;

class MethodChannelTest : public MessagingTest {
 protected:
  void Handle(std::function<void(const MethodCall&, std::unique_ptr<MethodResult>)> handler) {
    flutter::MethodChannel(messenger(), kChannel, &Codec()).SetMethodCallHandler(handler);
  }
};

TEST_F(MethodChannelTest, EachAnswerBecomesItsEnvelope) {
  const EncodableValue value(true), details("why");
  const std::pair<std::function<void(MethodResult&)>, std::vector<uint8_t>> cases[] = {
      {[&](MethodResult& r) { r.Success(value); }, SuccessBytes(&value)},
      {[](MethodResult& r) { r.Success(); }, SuccessBytes()},  // not empty: an envelope without a value
      {[&](MethodResult& r) { r.Error("code", "message", details); }, ErrorBytes("code", "message", &details)},
      {[](MethodResult& r) { r.NotImplemented(); }, {}},
  };
  for (const auto& [answer, expected] : cases) {
    Handle([&answer = answer](const MethodCall&, std::unique_ptr<MethodResult> result) { answer(*result); });
    standin::InjectedResponse response = Exchange(kChannel, CallBytes("m"));
    EXPECT_EQ(response.state, ResponseState::kAnswered);
    EXPECT_EQ(response.bytes, expected);
  }
  EXPECT_TRUE(NoMisuse());
}

TEST_F(MethodChannelTest, HandlerGetsTheCallAndMayAnswerLater) {
  std::unique_ptr<MethodResult> kept;
  int32_t chunk_ms = 0;
  Handle([&](const MethodCall& call, std::unique_ptr<MethodResult> result) {
    EXPECT_EQ(call.method_name(), "start");
    chunk_ms = call.arguments()->Find("chunk_ms")->Get<int32_t>();
    kept = std::move(result);
  });
  const standin::MessageTicket ticket =
      Deliver(kChannel, CallBytes("start", flutter::ValueMap{{EncodableValue("chunk_ms"), EncodableValue(100)}}));
  EXPECT_EQ(chunk_ms, 100);
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kAwaitingAnswer);
  kept->Success();
  EXPECT_EQ(standin::ResponseTo(ticket).bytes, SuccessBytes());
}

TEST_F(MethodChannelTest, SecondAnswerIsReportedOnceAndSendsNothing) {
  Handle([](const MethodCall&, std::unique_ptr<MethodResult> result) {
    result->NotImplemented();
    ::testing::internal::CaptureStderr();
    result->Success();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called exactly "
              "once. Ignoring duplicate result.\n");
  });
  EXPECT_TRUE(Exchange(kChannel, CallBytes("m")).bytes.empty());
  EXPECT_TRUE(NoMisuse());
}

TEST_F(MethodChannelTest, DroppedUnansweredResultWarnsOnce) {
  Handle([](const MethodCall&, std::unique_ptr<MethodResult>) {});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Exchange(kChannel, CallBytes("m")).state, ResponseState::kAwaitingAnswer);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Warning: Failed to respond to a message. This is a memory leak.\n");
}

TEST_F(MethodChannelTest, UndecodableMessageGetsTheEmptyAnswerWithoutReachingTheHandler) {
  Handle([](const MethodCall&, std::unique_ptr<MethodResult>) { FAIL(); });
  ::testing::internal::CaptureStderr();
  standin::InjectedResponse response = Exchange(kChannel, NotACall());
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(EndsWith(written, "Unable to construct method call from message on channel kestro/test\n")) << written;
  EXPECT_EQ(written.find("Warning"), std::string::npos);
  EXPECT_EQ(response.state, ResponseState::kAnswered);
  EXPECT_TRUE(response.bytes.empty());
}

TEST_F(MethodChannelTest, HandlerOutlivesItsChannelUntilAnEmptyOneRemovesIt) {
  Handle([](const MethodCall&, std::unique_ptr<MethodResult> result) { result->Success(); });  // channel dropped
  EXPECT_EQ(Exchange(kChannel, CallBytes("m")).bytes, SuccessBytes());
  Handle(nullptr);
  EXPECT_EQ(Exchange(kChannel, CallBytes("m")).state, ResponseState::kNoHandler);
}

}  // namespace
}  // namespace flutter::testing
