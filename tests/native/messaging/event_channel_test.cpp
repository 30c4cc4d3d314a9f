// The listen/cancel protocol of an event channel, and events sent through
// its sink from any thread.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "flutter/event_channel.h"
#include "flutter/stream_handler_functions.h"
#include "messaging_test_support.h"

namespace kestro_test {
namespace {

using flutter::EncodableValue;
using flutter::EventChannel;
using flutter::EventSink;
using flutter::StreamHandlerError;
using flutter::StreamHandlerFunctions;

const std::string kChannel = "kestro/test_events";

class EventChannelTest : public MessagingTest {
 protected:
  void SetUp() override {
    MessagingTest::SetUp();
    channel_ = std::make_unique<EventChannel>(messenger(), kChannel, &Codec());
  }

  // A handler that logs every call, keeps the sink and answers with the
  // errors the test sets.
  void InstallRecordingHandler() {
    channel_->SetStreamHandler(std::make_unique<StreamHandlerFunctions>(
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
    if (const std::string* text = arguments->TryGet<std::string>()) return *text;
    return arguments->IsNull() ? "null" : "value";
  }

  std::vector<uint8_t> Answer(const std::string& method, const EncodableValue& arguments = {}) {
    return Exchange(kChannel, CallBytes(method, arguments)).bytes;
  }

  std::unique_ptr<EventChannel> channel_;
  std::vector<std::string> log_;
  std::unique_ptr<EventSink> sink_;
  std::unique_ptr<StreamHandlerError> listen_error_;
  std::unique_ptr<StreamHandlerError> cancel_error_;
};

TEST_F(EventChannelTest, ListenThenCancelCallTheHandlerWithTheirArguments) {
  InstallRecordingHandler();
  EXPECT_EQ(Answer("listen", EncodableValue("a")), SuccessBytes());
  EXPECT_EQ(Answer("cancel", EncodableValue("b")), SuccessBytes());
  EXPECT_EQ(log_, (std::vector<std::string>{"listen a", "cancel b"}));
}

TEST_F(EventChannelTest, SecondListenCancelsTheOpenStreamFirst) {
  InstallRecordingHandler();
  Answer("listen");
  listen_error_ = std::make_unique<StreamHandlerError>("busy", "second");
  EXPECT_EQ(Answer("listen", EncodableValue("again")), ErrorBytes("busy", "second"));
  EXPECT_EQ(log_, (std::vector<std::string>{"listen null", "cancel none", "listen again"}));
}

TEST_F(EventChannelTest, FailedImplicitCancelIsLoggedWithoutALineEnd) {
  InstallRecordingHandler();
  Answer("listen");
  cancel_error_ = std::make_unique<StreamHandlerError>("c", "m");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Answer("listen"), SuccessBytes());
  const std::string written = testing::internal::GetCapturedStderr();
  const std::string prefix = "Failed to cancel existing stream: c, m, ";
  EXPECT_EQ(written.substr(0, prefix.size()), prefix);
  EXPECT_GT(written.size(), prefix.size());  // the details' (null) address
  EXPECT_EQ(written.find('\n'), std::string::npos);
}

TEST_F(EventChannelTest, FailedListenStillOpensTheStream) {
  InstallRecordingHandler();
  const EncodableValue details(int32_t{3});
  listen_error_ = std::make_unique<StreamHandlerError>("denied", "no", std::make_unique<EncodableValue>(details));
  EXPECT_EQ(Answer("listen"), ErrorBytes("denied", "no", &details));
  EXPECT_EQ(Answer("cancel"), SuccessBytes());
  EXPECT_EQ(log_.back(), "cancel null");
}

TEST_F(EventChannelTest, CancelWithoutAnOpenStreamIsAnErrorAndSkipsTheHandler) {
  InstallRecordingHandler();
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No active stream to cancel"));
  Answer("listen");
  cancel_error_ = std::make_unique<StreamHandlerError>("x", "y");
  EXPECT_EQ(Answer("cancel"), ErrorBytes("x", "y"));
  // Closed even though the handler failed.
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No active stream to cancel"));
  EXPECT_EQ(log_, (std::vector<std::string>{"listen null", "cancel null"}));
}

TEST_F(EventChannelTest, OnlyExactMethodNamesAreUnderstood) {
  InstallRecordingHandler();
  for (const char* method : {"Listen", "liste", "listen ", "CANCEL", "cance", "cancelled", ""}) {
    standin::InjectedResponse response = Exchange(kChannel, CallBytes(method));
    EXPECT_EQ(response.state, standin::ResponseState::kAnswered) << method;
    EXPECT_TRUE(response.bytes.empty()) << method;
  }
  EXPECT_TRUE(log_.empty());
}

TEST_F(EventChannelTest, UndecodableMessageGetsTheEmptyAnswer) {
  InstallRecordingHandler();
  testing::internal::CaptureStderr();
  standin::InjectedResponse response = Exchange(kChannel, NotACall());
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(EndsWith(written, "Unable to construct method call from message on channel: kestro/test_events\n"))
      << written;
  EXPECT_EQ(response.state, standin::ResponseState::kAnswered);
  EXPECT_TRUE(response.bytes.empty());
  EXPECT_TRUE(log_.empty());
}

TEST_F(EventChannelTest, ReplacingTheHandlerLeavesTheOpenStreamUncancelled) {
  InstallRecordingHandler();
  Answer("listen");
  channel_->SetStreamHandler(std::make_unique<StreamHandlerFunctions>(nullptr, nullptr));
  EXPECT_EQ(log_, std::vector<std::string>{"listen null"});
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No active stream to cancel"));
}

TEST_F(EventChannelTest, MissingCallablesAnswerWithTheirOwnErrors) {
  channel_->SetStreamHandler(std::make_unique<StreamHandlerFunctions>(nullptr, nullptr));
  EXPECT_EQ(Answer("listen"), ErrorBytes("error", "No OnListen handler set"));
  EXPECT_EQ(Answer("cancel"), ErrorBytes("error", "No OnCancel handler set"));
}

TEST_F(EventChannelTest, RemovedHandlerNoLongerReceives) {
  InstallRecordingHandler();
  channel_->SetStreamHandler(nullptr);
  EXPECT_EQ(Exchange(kChannel, CallBytes("listen")).state, standin::ResponseState::kNoHandler);
}

TEST_F(EventChannelTest, SinkSendsEventsErrorsAndEndOfStreamWithoutReply) {
  InstallRecordingHandler();
  Answer("listen");
  const EncodableValue event(std::vector<uint8_t>{1, 2, 3});
  sink_->Success(event);
  sink_->Success();
  sink_->Error("e", "went wrong");
  sink_->EndOfStream();
  std::vector<standin::SentMessage> sent = SentOn(kChannel);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].bytes, SuccessBytes(&event));
  EXPECT_EQ(sent[1].bytes, SuccessBytes());
  EXPECT_EQ(sent[2].bytes, ErrorBytes("e", "went wrong"));
  EXPECT_TRUE(sent[3].bytes.empty());
  for (const standin::SentMessage& message : sent) EXPECT_FALSE(message.wants_reply);
}

TEST_F(EventChannelTest, SinkKeepsWorkingAfterCancel) {
  InstallRecordingHandler();
  Answer("listen");
  Answer("cancel");
  sink_->Success();
  EXPECT_EQ(SentOn(kChannel).size(), 1u);
}

TEST_F(EventChannelTest, EventsFromAnotherThreadArriveInOrder) {
  InstallRecordingHandler();
  Answer("listen");
  constexpr int kEvents = 200;
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
}  // namespace kestro_test
