// The UI port through a real loopback socket, from a peer's side.
#include <gmock/gmock.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"
#include "host_fixture.h"
#include "ui_peer.h"

namespace standin::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr uint8_t kHello = 0x80;
constexpr uint8_t kMessageResponse = 0x81;
constexpr uint8_t kHostMessage = 0x82;
constexpr uint8_t kStateReply = 0x83;
constexpr uint8_t kActionResult = 0x84;
constexpr uint8_t kProtocolError = 0x85;

std::vector<std::string> Texts(const flutter::EncodableValue* list) {
  std::vector<std::string> texts;
  for (const auto& item : list->Get<flutter::ValueList>()) texts.push_back(item.Get<std::string>());
  return texts;
}

class UiPortTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ::testing::internal::CaptureStderr();
    port_ = standin::StartUiPort(0).value_or(0);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("KESTRO_UI_PORT=" + std::to_string(port_)));
    ASSERT_NE(port_, 0);
  }

  // A connected peer that has had its greeting.
  std::unique_ptr<UiPeer> Connect() {
    auto peer = std::make_unique<UiPeer>(port_);
    EXPECT_TRUE(peer->connected());
    std::optional<PeerFrame> hello = peer->Next();
    EXPECT_TRUE(hello && hello->type == kHello && hello->U32(0) == 1u);
    return peer;
  }

  // Pumps the platform thread (this thread) until the peer gets a frame of `type`.
  static std::optional<PeerFrame> PumpUntilFrame(UiPeer& peer, uint8_t type) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      standin::PumpPlatformThread();
      std::optional<PeerFrame> frame = peer.Next(std::chrono::milliseconds(20));
      if (frame && frame->type == type) return frame;
    }
    return std::nullopt;
  }

  uint16_t port_ = 0;
};

TEST_F(UiPortTest, PeerMessagesReachTheHandlerAndGetTheirAnswers) {
  const Running running = CreateRunningEngine();
  RecordingHandler handler;
  handler.answer_at_once = true;
  handler.answer = Bytes("pong");
  handler.InstallOn(running.messenger, "kestro/test");
  auto peer = Connect();

  // One frame in two writes: the host reassembles it.
  std::vector<uint8_t> payload;
  PutU32(&payload, 7);
  PutU64(&payload, running.id);
  PutU32(&payload, 11);
  for (char c : std::string("kestro/testping")) payload.push_back(static_cast<uint8_t>(c));
  std::vector<uint8_t> frame;
  PutU32(&frame, static_cast<uint32_t>(payload.size() + 1));
  frame.push_back(0x01);
  frame.insert(frame.end(), payload.begin(), payload.end());
  peer->SendRaw({frame.begin(), frame.begin() + 6});
  peer->SendRaw({frame.begin() + 6, frame.end()});

  std::optional<PeerFrame> response = PumpUntilFrame(*peer, kMessageResponse);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->U32(0), 7u);
  EXPECT_EQ(response->U8(4), 0);
  EXPECT_EQ(response->From(5), Bytes("pong"));
  ASSERT_EQ(handler.received.size(), 1u);
  EXPECT_EQ(handler.received[0].bytes, Bytes("ping"));
  EXPECT_EQ(handler.received[0].thread, std::this_thread::get_id());

  peer->SendMessage(8, running.id, "kestro/nobody", Bytes("x"));
  response = PumpUntilFrame(*peer, kMessageResponse);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->U32(0), 8u);
  EXPECT_EQ(response->U8(4), 1);  // no handler

  peer->SendMessage(9, 42, "kestro/test", Bytes("x"));
  response = PumpUntilFrame(*peer, kMessageResponse);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->U8(4), 2);  // no such engine
}

TEST_F(UiPortTest, HostSendsReachThePeerWhoseRepliesComeBack) {
  const Running running = CreateRunningEngine();
  auto peer = Connect();
  const std::vector<uint8_t> event = Bytes("chunk");
  FlutterDesktopMessengerSend(running.messenger, "kestro/events", event.data(), event.size());
  struct Reply {
    int calls = 0;
    std::vector<uint8_t> bytes;
  } reply;
  FlutterDesktopMessengerSendWithReply(
      running.messenger, "kestro/ask", event.data(), 1,
      [](const uint8_t* data, size_t size, void* user_data) {
        auto* record = static_cast<Reply*>(user_data);
        ++record->calls;
        record->bytes.assign(data, data + size);
      },
      &reply);

  std::optional<PeerFrame> sent = peer->Next();
  ASSERT_TRUE(sent && sent->type == kHostMessage);
  EXPECT_EQ(sent->U64(8), running.id);
  EXPECT_EQ(sent->U8(16), 0);
  EXPECT_EQ(sent->U32(17), 13u);
  EXPECT_EQ(sent->From(21), Bytes("kestro/eventschunk"));
  std::optional<PeerFrame> asked = peer->Next();
  ASSERT_TRUE(asked && asked->type == kHostMessage);
  EXPECT_EQ(asked->U8(16), 1);

  peer->ReplyToHost(asked->U64(0), Bytes("answer"));
  ASSERT_TRUE(standin::PumpUntil([&] { return reply.calls == 1; }, std::chrono::seconds(10)));
  EXPECT_EQ(reply.bytes, Bytes("answer"));

  // A long run's peer has the record of sends forgotten as it goes.
  EXPECT_EQ(standin::SentMessages().size(), 2u);
  peer->Action(7, 9, 0);
  std::optional<PeerFrame> forgotten = PumpUntilFrame(*peer, kActionResult);
  ASSERT_TRUE(forgotten);
  EXPECT_EQ(forgotten->U8(4), 1);
  EXPECT_TRUE(standin::SentMessages().empty());
}

TEST_F(UiPortTest, StateAndActionsAreServed) {
  const Running running = CreateRunningEngine(640, 480);
  RecordingHandler handler;
  handler.InstallOn(running.messenger, "kestro/test");
  FlutterDesktopEngineGetPluginRegistrar(running.engine, "WindowManagerPlugin");
  FlutterDesktopEngineGetPluginRegistrar(running.engine, "TrayManagerPlugin");
  bool shown = false;
  FlutterDesktopEngineSetNextFrameCallback(
      running.engine, [](void* flag) { *static_cast<bool*>(flag) = true; }, &shown);
  auto peer = Connect();

  peer->Action(3, 1, running.id);
  std::optional<PeerFrame> result = PumpUntilFrame(*peer, kActionResult);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->U32(0), 3u);
  EXPECT_EQ(result->U8(4), 1);
  EXPECT_TRUE(shown);
  peer->Action(4, 1, 42);
  result = PumpUntilFrame(*peer, kActionResult);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->U8(4), 0);

  peer->QueryState(5);
  std::optional<PeerFrame> reply = PumpUntilFrame(*peer, kStateReply);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->U32(0), 5u);
  const std::vector<uint8_t> encoded = reply->From(4);
  flutter::ByteBufferStreamReader reader(encoded.data(), encoded.size());
  const flutter::EncodableValue state = flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
  const auto& engines = state.Find("engines")->Get<flutter::ValueList>();
  ASSERT_EQ(engines.size(), 1u);
  const flutter::EncodableValue& engine = engines[0];
  EXPECT_EQ(engine.Find("id")->Get<int64_t>(), static_cast<int64_t>(running.id));
  EXPECT_THAT(Texts(engine.Find("channels")), ElementsAre("kestro/test"));
  EXPECT_THAT(Texts(engine.Find("registrars")), ElementsAre("WindowManagerPlugin", "TrayManagerPlugin"));
  EXPECT_EQ(engine.Find("view")->Find("width")->Get<int32_t>(), 640);
  EXPECT_EQ(engine.Find("frames_rendered")->Get<int32_t>(), 1);
  EXPECT_EQ(state.Find("sends_after_engine_gone")->Get<int32_t>(), 0);
}

TEST_F(UiPortTest, MalformedFramesCloseOnlyTheirConnection) {
  auto bystander = Connect();
  auto unknown_type = Connect();
  auto oversized = Connect();
  auto cut_short = Connect();

  ::testing::internal::CaptureStderr();
  unknown_type->SendRaw({1, 0, 0, 0, 0x7F});
  oversized->SendRaw({0xFF, 0xFF, 0xFF, 0xFF});
  cut_short->SendRaw({3, 0, 0, 0, 0x03, 1, 2});
  for (UiPeer* peer : {unknown_type.get(), oversized.get(), cut_short.get()}) {
    std::optional<PeerFrame> error = peer->Next();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->type, kProtocolError);
    EXPECT_TRUE(peer->ClosedByHost());
  }
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(diagnostics, HasSubstr("malformed frame from peer 2 (unknown frame type 127)"));
  EXPECT_THAT(diagnostics, HasSubstr("frame body larger than"));
  EXPECT_THAT(diagnostics, HasSubstr("state query frame cut short"));

  bystander->QueryState(1);
  EXPECT_TRUE(PumpUntilFrame(*bystander, kStateReply));
}

TEST_F(UiPortTest, VanishedPeersCostNothing) {
  const Running running = CreateRunningEngine();
  RecordingHandler handler;  // answers later, by hand
  handler.InstallOn(running.messenger, "kestro/test");
  {
    auto leaving = Connect();
    leaving->SendMessage(1, running.id, "kestro/test", Bytes("x"));
    ASSERT_TRUE(standin::PumpUntil([&] { return handler.received.size() == 1; }, std::chrono::seconds(10)));
  }
  // The answer and further events find the peer gone.
  FlutterDesktopMessengerSendResponse(running.messenger, handler.received[0].response_handle, nullptr, 0);
  for (int i = 0; i < 100; ++i) FlutterDesktopMessengerSend(running.messenger, "kestro/events", nullptr, 0);

  auto next = Connect();
  next->QueryState(2);
  EXPECT_TRUE(PumpUntilFrame(*next, kStateReply));
  standin::StopUiPort();
  EXPECT_TRUE(next->ClosedByHost());
}

TEST_F(UiPortTest, ABurstOfPeersIsTakenOnTheFirstTry) {
  // All at once, faster than any acceptor: the listen backlog has to hold
  // them, or the peers beyond it have their connection requests dropped
  // and retried a second or more later.
  constexpr int kPeers = 20;
  std::vector<std::unique_ptr<UiPeer>> peers;
  for (int i = 0; i < kPeers; ++i) peers.push_back(std::make_unique<UiPeer>(port_, false));
  for (const auto& peer : peers) {
    std::optional<PeerFrame> hello = peer->Next();
    ASSERT_TRUE(hello && hello->type == kHello);
  }
  for (const auto& peer : peers) EXPECT_EQ(peer->Retransmissions(), 0u);
}

TEST_F(UiPortTest, APeerDroppedForNotReadingSeesTheEnd) {
  const Running running = CreateRunningEngine();
  UiPeer idle(port_);
  ASSERT_TRUE(idle.connected());
  // More than the port keeps for a peer, while this one reads nothing.
  const std::vector<uint8_t> event(1u << 20, 0x5A);
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 96; ++i) {
    FlutterDesktopMessengerSend(running.messenger, "kestro/events", event.data(), event.size());
  }
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(diagnostics, HasSubstr("peer 1 is not reading its frames; closing the connection"));
  // Its side ends, and what it sends now fails rather than waits for
  // buffer space on a connection nobody reads any more.
  EXPECT_TRUE(idle.SendFailsSoon());
  EXPECT_TRUE(idle.ClosedByHost());
}

using UiPortEnvironment = StandinTest;

TEST_F(UiPortEnvironment, ServesFromTheFirstEngineToTheLastWhenSet) {
  ::setenv("KESTRO_UI_PORT", "port", 1);
  ::testing::internal::CaptureStderr();
  FlutterDesktopEngineRef unported = CreateEngine();
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("KESTRO_UI_PORT=\"port\" is not a port number"));
  EXPECT_FALSE(standin::UiPortNumber());

  ::setenv("KESTRO_UI_PORT", "0", 1);
  ::testing::internal::CaptureStderr();
  FlutterDesktopEngineRef first = CreateEngine();
  const Running last = CreateRunningEngine();
  ::testing::internal::GetCapturedStderr();
  ::unsetenv("KESTRO_UI_PORT");
  ASSERT_TRUE(standin::UiPortNumber());
  UiPeer peer(*standin::UiPortNumber());
  ASSERT_TRUE(peer.Next());  // its hello

  // Its threads are joined before the host could end the process; its
  // number stays for the next engine, which greets whoever came meanwhile.
  FlutterDesktopEngineDestroy(unported);
  FlutterDesktopEngineDestroy(first);
  FlutterDesktopViewControllerDestroy(last.controller);
  EXPECT_TRUE(peer.ClosedByHost());
  ASSERT_TRUE(standin::UiPortNumber());
  UiPeer waiting(*standin::UiPortNumber());
  ::setenv("KESTRO_UI_PORT", "0", 1);
  CreateEngine();
  ::unsetenv("KESTRO_UI_PORT");
  std::optional<PeerFrame> hello = waiting.Next();
  EXPECT_TRUE(hello && hello->type == kHello);
}

}  // namespace
}  // namespace standin::testing
