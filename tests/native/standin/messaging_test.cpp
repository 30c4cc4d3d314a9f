// Messages both ways, responses, references and the messenger lock.
#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "host_fixture.h"

namespace standin::testing {
namespace {

using standin::ResponseState;
using ::testing::HasSubstr;

using IncomingMessages = StandinTest;

TEST_F(IncomingMessages, ReachTheCallbackOnlyWhenThePlatformThreadPumps) {
  const Running running = CreateRunningEngine();
  RecordingHandler handler;
  handler.InstallOn(running.messenger, "kestro/test");

  standin::MessageTicket ticket = 0;
  std::thread ui([&] { ticket = standin::InjectMessage(running.id, "kestro/test", Bytes("hi")); });
  ui.join();
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kQueued);
  EXPECT_TRUE(handler.received.empty());

  standin::PumpPlatformThread();
  ASSERT_EQ(handler.received.size(), 1u);
  EXPECT_EQ(handler.received[0].channel, "kestro/test");
  EXPECT_EQ(handler.received[0].bytes, Bytes("hi"));
  EXPECT_EQ(handler.received[0].thread, std::this_thread::get_id());
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kAwaitingAnswer);
}

TEST_F(IncomingMessages, ChannelsWithoutCallbackGetTheEmptyResponse) {
  const Running running = CreateRunningEngine();
  RecordingHandler handler;
  handler.InstallOn(running.messenger, "kestro/test");
  FlutterDesktopMessengerSetCallback(running.messenger, "kestro/test", nullptr, nullptr);
  EXPECT_TRUE(standin::GetEngine(running.id)->channels.empty());

  const auto ticket = standin::InjectMessage(running.id, "kestro/test", Bytes("hi"));
  const auto lost = standin::InjectMessage(99, "kestro/test", Bytes("hi"));
  standin::PumpPlatformThread();
  EXPECT_TRUE(handler.received.empty());
  EXPECT_EQ(standin::ResponseTo(ticket).state, ResponseState::kNoHandler);
  EXPECT_EQ(standin::ResponseTo(lost).state, ResponseState::kEngineGone);
}

using Responses = StandinTest;

TEST_F(Responses, AreTakenOnceAndASecondUseIsCounted) {
  const Running running = CreateRunningEngine();
  RecordingHandler handler;
  handler.InstallOn(running.messenger, "kestro/test");
  const auto answered = standin::InjectMessage(running.id, "kestro/test", Bytes("a"));
  const auto empty = standin::InjectMessage(running.id, "kestro/test", Bytes("b"));
  standin::PumpPlatformThread();
  ASSERT_EQ(handler.received.size(), 2u);

  const std::vector<uint8_t> reply = Bytes("reply");
  FlutterDesktopMessengerSendResponse(running.messenger, handler.received[0].response_handle, reply.data(),
                                      reply.size());
  FlutterDesktopMessengerSendResponse(running.messenger, handler.received[1].response_handle, nullptr, 0);
  EXPECT_EQ(standin::ResponseTo(answered).state, ResponseState::kAnswered);
  EXPECT_EQ(standin::ResponseTo(answered).bytes, reply);
  EXPECT_EQ(standin::ResponseTo(empty).state, ResponseState::kAnswered);
  EXPECT_TRUE(standin::ResponseTo(empty).bytes.empty());

  ::testing::internal::CaptureStderr();
  FlutterDesktopMessengerSendResponse(running.messenger, handler.received[0].response_handle, nullptr, 0);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("used a second time"));
  EXPECT_EQ(standin::GetCounters().duplicate_responses, 1);
  EXPECT_EQ(standin::ResponseTo(answered).bytes, reply);
}

TEST_F(Responses, UnansweredMessagesAreLostWithTheirEngine) {
  const Running running = CreateRunningEngine();
  RecordingHandler handler;
  handler.InstallOn(running.messenger, "kestro/test");
  const auto delivered = standin::InjectMessage(running.id, "kestro/test", Bytes("a"));
  standin::PumpPlatformThread();
  const auto queued = standin::InjectMessage(running.id, "kestro/test", Bytes("b"));
  FlutterDesktopViewControllerDestroy(running.controller);
  standin::PumpPlatformThread();
  EXPECT_EQ(handler.received.size(), 1u);
  EXPECT_EQ(standin::ResponseTo(delivered).state, ResponseState::kEngineGone);
  EXPECT_EQ(standin::ResponseTo(queued).state, ResponseState::kEngineGone);

  // A host that skips the availability test is caught.
  FlutterDesktopMessengerSendResponse(running.messenger, handler.received[0].response_handle, nullptr, 0);
  EXPECT_EQ(standin::GetCounters().responses_after_engine_gone, 1);
}

using OutgoingMessages = StandinTest;

TEST_F(OutgoingMessages, AreRecordedAndRepliesArriveOnceOnThePlatformThread) {
  const Running running = CreateRunningEngine();
  const std::vector<uint8_t> event = Bytes("event");
  EXPECT_TRUE(FlutterDesktopMessengerSend(running.messenger, "kestro/events", event.data(), event.size()));

  struct Reply {
    int calls = 0;
    std::vector<uint8_t> bytes;
    std::thread::id thread;
  } reply;
  auto on_reply = [](const uint8_t* data, size_t size, void* user_data) {
    auto* record = static_cast<Reply*>(user_data);
    ++record->calls;
    record->bytes.assign(data, data + size);
    record->thread = std::this_thread::get_id();
  };
  std::thread sender([&] {
    EXPECT_TRUE(FlutterDesktopMessengerSendWithReply(running.messenger, "kestro/ask", nullptr, 0, on_reply, &reply));
  });
  sender.join();

  const auto sent = standin::SentMessages();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].channel, "kestro/events");
  EXPECT_EQ(sent[0].bytes, event);
  EXPECT_FALSE(sent[0].wants_reply);
  EXPECT_TRUE(sent[1].wants_reply);
  EXPECT_FALSE(standin::AnswerSentMessage(sent[0].id, {}));

  ASSERT_TRUE(standin::AnswerSentMessage(sent[1].id, Bytes("yes")));
  EXPECT_FALSE(standin::AnswerSentMessage(sent[1].id, Bytes("again")));
  EXPECT_EQ(reply.calls, 0);
  standin::PumpPlatformThread();
  EXPECT_EQ(reply.calls, 1);
  EXPECT_EQ(reply.bytes, Bytes("yes"));
  EXPECT_EQ(reply.thread, std::this_thread::get_id());
}

TEST_F(OutgoingMessages, RefusedOrAfterTheEngineAreNotSent) {
  const Running running = CreateRunningEngine();
  auto never = [](const uint8_t*, size_t, void*) { ADD_FAILURE() << "reply called"; };
  standin::RefuseSendWithReply(true);
  EXPECT_FALSE(FlutterDesktopMessengerSendWithReply(running.messenger, "kestro/ask", nullptr, 0, never, nullptr));
  standin::RefuseSendWithReply(false);
  ASSERT_TRUE(FlutterDesktopMessengerSendWithReply(running.messenger, "kestro/ask", nullptr, 0, never, nullptr));
  const uint64_t asked = standin::SentMessages().back().id;

  FlutterDesktopViewControllerDestroy(running.controller);
  EXPECT_FALSE(standin::AnswerSentMessage(asked, {}));
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(FlutterDesktopMessengerSend(running.messenger, "kestro/late", nullptr, 0));
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              HasSubstr("send on a messenger whose engine is gone (channel \"kestro/late\")"));
  EXPECT_EQ(standin::GetCounters().sends_after_engine_gone, 1);
  EXPECT_EQ(standin::SentMessages().size(), 1u);
  standin::PumpPlatformThread();
}

TEST_F(OutgoingMessages, SendsFromManyThreadsDuringShutdownAreEachSentOrCounted) {
  const Running running = CreateRunningEngine();
  constexpr int kThreads = 4;
  constexpr int kSendsEach = 200;
  std::atomic<int> accepted{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([&] {
      const uint8_t chunk[16] = {};
      for (int i = 0; i < kSendsEach; ++i) {
        if (FlutterDesktopMessengerSend(running.messenger, "kestro/stream", chunk, sizeof chunk)) ++accepted;
      }
    });
  }
  ::testing::internal::CaptureStderr();
  FlutterDesktopViewControllerDestroy(running.controller);
  for (auto& sender : senders) sender.join();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(accepted.load() + standin::GetCounters().sends_after_engine_gone, kThreads * kSendsEach);
  EXPECT_EQ(static_cast<int>(standin::SentMessages().size()), accepted.load());
}

using MessengerReferences = StandinTest;

TEST_F(MessengerReferences, OutliveTheEngineAndAreBalanced) {
  const Running running = CreateRunningEngine();
  EXPECT_EQ(FlutterDesktopMessengerAddRef(running.messenger), running.messenger);
  FlutterDesktopViewControllerDestroy(running.controller);
  EXPECT_EQ(standin::GetEngine(running.id)->host_messenger_references, 1);
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(running.messenger));
  FlutterDesktopMessengerRelease(running.messenger);
  EXPECT_EQ(standin::GetEngine(running.id)->host_messenger_references, 0);

  ::testing::internal::CaptureStderr();
  FlutterDesktopMessengerRelease(running.messenger);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("no reference left"));
  EXPECT_EQ(standin::GetCounters().unbalanced_calls, 1);
}

TEST_F(MessengerReferences, LockIsRecursiveAndKeepsTheEngineAlive) {
  const Running running = CreateRunningEngine();
  ASSERT_EQ(FlutterDesktopMessengerLock(running.messenger), running.messenger);
  ASSERT_EQ(FlutterDesktopMessengerLock(running.messenger), running.messenger);
  FlutterDesktopMessengerUnlock(running.messenger);

  std::atomic<bool> destroyed{false};
  std::thread platform([&] {
    FlutterDesktopViewControllerDestroy(running.controller);
    destroyed = true;
  });
  // While this thread holds the lock the engine cannot go away; the sleep
  // only gives a broken lock the chance to show.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(destroyed.load());
  EXPECT_TRUE(FlutterDesktopMessengerIsAvailable(running.messenger));

  std::thread stranger([&] { FlutterDesktopMessengerUnlock(running.messenger); });
  stranger.join();
  EXPECT_EQ(standin::GetCounters().unbalanced_calls, 1);
  EXPECT_FALSE(destroyed.load());

  FlutterDesktopMessengerUnlock(running.messenger);
  platform.join();
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(running.messenger));
}

}  // namespace
}  // namespace standin::testing
