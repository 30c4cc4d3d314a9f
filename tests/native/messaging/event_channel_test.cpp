// The listen/cancel protocol of an event channel, and events sent through
// its sink from any thread.
#include <thread>

#include "flutter/event_channel.h"
#include "flutter/stream_handler_functions.h"
#include "messaging_test_support.h"

namespace flutter::testing {
namespace {

using flutter::EncodableValue;
using flutter::EventSink;
using flutter::StreamHandlerError;
using flutter::StreamHandlerFunctions;

class EventChannelTest : public MessagingTest {
 protected:
  void SetStreamHandler(std::unique_ptr<flutter::StreamHandler> handler) {
    flutter::EventChannel(messenger(), kChannel, &Codec()).SetStreamHandler(std::move(handler));
  }
  // Logs each call, keeps the sink and answers with the errors the test sets.
  void InstallRecordingHandler() {
    SetStreamHandler(std::make_unique<StreamHandlerFunctions>(
        [this](const EncodableValue* arguments, std::unique_ptr<EventSink>&& events) {
          log_.push_back("listen " + Describe(arguments));
          sink_ = std::move(events);
          return std::move(listen_error_);
        },
        [this](const EncodableValue* arguments) {
          log_.push_back("cancel " + Describe(arguments));
          return std::move(cancel_error_);
        }));
  }
  static std::string Describe(const EncodableValue* arguments) {
    if (arguments == nullptr) return "none";
    const std::string* text = arguments->TryGet<std::string>();
    return text != nullptr ? *text : "null";
  }
  std::vector<uint8_t> Answer(const std::string& method, const EncodableValue& arguments = {}) {
    return Exchange(kChannel, CallBytes(method, arguments)).bytes;
  }

  std::vector<std::string> log_;
  std::unique_ptr<EventSink> sink_;
  std::unique_ptr<StreamHandlerError> listen_error_, cancel_error_;
};

TEST_F(EventChannelTest, ListenAndCancelFollowTheStreamState) {
  InstallRecordingHandler();
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No active stream to cancel"));
  EXPECT_EQ(Answer("listen", EncodableValue("a")), SuccessBytes());
  listen_error_ = std::make_unique<StreamHandlerError>("busy", "second");
  EXPECT_EQ(Answer("listen", EncodableValue("b")), ErrorBytes("busy", "second"));
  cancel_error_ = std::make_unique<StreamHandlerError>("x", "y", std::make_unique<EncodableValue>(3));
  const EncodableValue three(3);
  EXPECT_EQ(Answer("cancel", EncodableValue("c")), ErrorBytes("x", "y", &three));
  // Closed whatever the handler answered; a failed listen still opened it.
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No active stream to cancel"));
  EXPECT_EQ(log_, (std::vector<std::string>{"listen a", "cancel none", "listen b", "cancel c"}));
}

TEST_F(EventChannelTest, FailedImplicitCancelIsLoggedWithoutALineEnd) {
  InstallRecordingHandler();
  Answer("listen");
  cancel_error_ = std::make_unique<StreamHandlerError>("c", "m");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Answer("listen"), SuccessBytes());
  const std::string written = ::testing::internal::GetCapturedStderr();
  const std::string prefix = "Failed to cancel existing stream: c, m, ";
  EXPECT_EQ(written.substr(0, prefix.size()), prefix);
  EXPECT_GT(written.size(), prefix.size());  // the (null) details address
  EXPECT_EQ(written.find('\n'), std::string::npos);
}

TEST_F(EventChannelTest, AnythingButExactListenOrCancelGetsTheEmptyAnswer) {
  InstallRecordingHandler();
  for (const char* method : {"Listen", "liste", "listen ", "CANCEL", "cancelled", ""}) {
    standin::InjectedResponse response = Exchange(kChannel, CallBytes(method));
    EXPECT_EQ(response.state, standin::ResponseState::kAnswered) << method;
    EXPECT_TRUE(response.bytes.empty()) << method;
  }
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(Exchange(kChannel, NotACall()).bytes.empty());
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(EndsWith(written, "Unable to construct method call from message on channel: kestro/test\n")) << written;
  EXPECT_TRUE(log_.empty());
}

TEST_F(EventChannelTest, ReplacingTheHandlerNeitherCancelsNorListens) {
  InstallRecordingHandler();
  Answer("listen");
  SetStreamHandler(std::make_unique<StreamHandlerFunctions>(nullptr, nullptr));
  EXPECT_EQ(log_, std::vector<std::string>{"listen null"});
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No active stream to cancel"));
  // A handler without callables answers with its own errors; the untaken sink is freed.
  EXPECT_EQ(Answer("listen"), ErrorBytes("error", "No OnListen handler set"));
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No OnCancel handler set"));
  SetStreamHandler(nullptr);
  EXPECT_EQ(Exchange(kChannel, CallBytes("listen")).state, standin::ResponseState::kNoHandler);
}

TEST_F(EventChannelTest, SinkSendsEnvelopesWithoutReplyEvenAfterCancel) {
  InstallRecordingHandler();
  Answer("listen");
  Answer("cancel");
  const EncodableValue event(std::vector<uint8_t>{1, 2, 3});
  sink_->Success(event);
  sink_->Error("e", "went wrong");
  sink_->EndOfStream();
  std::vector<standin::SentMessage> sent = SentOn(kChannel);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].bytes, SuccessBytes(&event));
  EXPECT_EQ(sent[1].bytes, ErrorBytes("e", "went wrong"));
  EXPECT_TRUE(sent[2].bytes.empty());
  for (const standin::SentMessage& message : sent) EXPECT_FALSE(message.wants_reply);
}

TEST_F(EventChannelTest, EventsFromAnotherThreadArriveInOrder) {
  InstallRecordingHandler();
  Answer("listen");
  constexpr int32_t kEvents = 200;
  std::thread capture([sink = sink_.get()] {
    for (int32_t i = 0; i < kEvents; ++i) sink->Success(EncodableValue(i));
  });
  capture.join();
  std::vector<standin::SentMessage> sent = SentOn(kChannel);
  ASSERT_EQ(sent.size(), static_cast<size_t>(kEvents));
  for (int32_t i = 0; i < kEvents; ++i) {
    const EncodableValue expected(i);
    EXPECT_EQ(sent[i].bytes, SuccessBytes(&expected));
  }
  EXPECT_TRUE(NoMisuse());
}

}  // namespace
}  // namespace flutter::testing
