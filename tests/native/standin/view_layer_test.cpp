// What the core offers its view layer and the UI peers that drive it: the
// traffic a view paints, requests made through the environment, and the
// window actions and state of the UI port (headless: no windows to act on).
#include <gmock/gmock.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"
#include "flutter/standard_method_codec.h"
#include "host_fixture.h"
#include "ui_peer.h"

namespace standin::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;

constexpr uint8_t kStateReply = 0x83;
constexpr uint8_t kActionResult = 0x84;
constexpr uint8_t kProtocolError = 0x85;

std::vector<uint8_t> MethodCall(const std::string& name) {
  return *flutter::StandardMethodCodec::Shared().EncodeCall(flutter::MethodCall(name, nullptr));
}

using Traffic = StandinTest;

TEST_F(Traffic, LinesShowDirectionEngineChannelAndMethodOrSize) {
  const Running running = CreateRunningEngine();
  standin::InjectMessage(running.id, "kestro/system_audio", MethodCall("start"));
  FlutterDesktopMessengerSend(running.messenger, "kestro/system_audio_events", Bytes("chunk").data(), 5);
  standin::InjectMessage(running.id, "kestro/raw", {7, 200});                // a string tag, cut short
  standin::InjectMessage(running.id, std::string("bad\nname\x01", 10), {});  // NUL included
  standin::InjectMessage(999, "kestro/nobody", {});                          // no such engine: not traffic

  EXPECT_THAT(standin::RecentTraffic(), ElementsAre("UI -> host   engine 1   kestro/system_audio   start (" +
                                                        std::to_string(MethodCall("start").size()) + " bytes)",
                                                    "host -> UI   engine 1   kestro/system_audio_events   5 bytes",
                                                    "UI -> host   engine 1   kestro/raw   2 bytes",
                                                    "UI -> host   engine 1   bad?name??   0 bytes"));
}

TEST_F(Traffic, KeepsOnlyTheLatestTwenty) {
  const Running running = CreateRunningEngine();
  for (int i = 0; i < 25; ++i) standin::InjectMessage(running.id, "kestro/" + std::to_string(i), {1});
  const std::vector<std::string> lines = standin::RecentTraffic();
  ASSERT_THAT(lines, SizeIs(20));
  EXPECT_THAT(lines.front(), HasSubstr("kestro/5 "));
  EXPECT_THAT(lines.back(), HasSubstr("kestro/24 "));
}

class EnvironmentRequests : public StandinTest {
 protected:
  void TearDown() override {
    ::unsetenv("KESTRO_STANDIN_FAIL");
    ::unsetenv("KESTRO_STANDIN_HOLD_FRAMES");
    StandinTest::TearDown();
  }
};

TEST_F(EnvironmentRequests, FailCreationsWhileSet) {
  ::setenv("KESTRO_STANDIN_FAIL", "engine", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(CreateEngine(), nullptr);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("KESTRO_STANDIN_FAIL"));

  ::setenv("KESTRO_STANDIN_FAIL", "view_controller,sometimes", 1);
  ::testing::internal::CaptureStderr();
  const Running failed = CreateRunningEngine();
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("unknown failure \"sometimes\""));
  EXPECT_EQ(failed.controller, nullptr);
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(failed.messenger));

  ::unsetenv("KESTRO_STANDIN_FAIL");
  EXPECT_NE(CreateRunningEngine().controller, nullptr);
}

TEST_F(EnvironmentRequests, HoldFramesUntilAFrameIsAskedFor) {
  ::setenv("KESTRO_STANDIN_HOLD_FRAMES", "1", 1);
  const Running running = CreateRunningEngine();
  bool shown = false;
  FlutterDesktopEngineSetNextFrameCallback(
      running.engine, [](void* flag) { *static_cast<bool*>(flag) = true; }, &shown);
  FlutterDesktopViewControllerForceRedraw(running.controller);
  standin::PumpPlatformThread();
  EXPECT_FALSE(shown);
  ASSERT_TRUE(standin::RenderFrame(running.id));
  standin::PumpPlatformThread();
  EXPECT_TRUE(shown);
  EXPECT_EQ(standin::GetEngine(running.id)->redraw_requests, 1);
}

class UiPortWindows : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ::testing::internal::CaptureStderr();
    port_ = standin::StartUiPort(0).value_or(0);
    ::testing::internal::GetCapturedStderr();
    ASSERT_NE(port_, 0);
    peer_ = std::make_unique<UiPeer>(port_);
    ASSERT_TRUE(peer_->Next());  // hello
  }

  // The action's result (1 done, 0 not), or -1 when none came.
  int Act(uint8_t action, uint64_t engine, const std::vector<uint8_t>& arguments = {}) {
    peer_->Action(++request_, action, engine, arguments);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      standin::PumpPlatformThread();
      std::optional<PeerFrame> frame = peer_->Next(std::chrono::milliseconds(20));
      if (frame && frame->type == kActionResult && frame->U32(0) == request_) return frame->U8(4);
    }
    return -1;
  }

  uint16_t port_ = 0;
  uint32_t request_ = 0;
  std::unique_ptr<UiPeer> peer_;
};

TEST_F(UiPortWindows, ConsumptionIsSetForEveryEngine) {
  const Running running = CreateRunningEngine();
  std::vector<uint8_t> consume;
  PutU32(&consume, 0x0010);
  PutU64(&consume, static_cast<uint64_t>(-5));
  EXPECT_EQ(Act(5, 0, consume), 1);
  LRESULT result = 0;
  EXPECT_TRUE(FlutterDesktopViewControllerHandleTopLevelWindowProc(running.controller, nullptr, 0x0010, 0, 0, &result));
  EXPECT_EQ(result, -5);

  std::vector<uint8_t> stop;
  PutU32(&stop, 0x0010);
  EXPECT_EQ(Act(6, 0, stop), 1);
  EXPECT_FALSE(
      FlutterDesktopViewControllerHandleTopLevelWindowProc(running.controller, nullptr, 0x0010, 0, 0, &result));
}

TEST_F(UiPortWindows, WindowActionsNeedAWindow) {
  const Running running = CreateRunningEngine();
  std::vector<uint8_t> size;
  PutU32(&size, 640);
  PutU32(&size, 480);
  EXPECT_EQ(Act(3, running.id, size), 0);
  for (uint8_t action : {2, 4, 7, 8}) EXPECT_EQ(Act(action, running.id), 0) << int{action};
  EXPECT_EQ(Act(2, 42), 0);

  peer_->QueryState(1);
  std::optional<PeerFrame> reply;
  while ((reply = peer_->Next()) && reply->type != kStateReply) {
  }
  ASSERT_TRUE(reply);
  const std::vector<uint8_t> encoded = reply->From(4);
  flutter::ByteBufferStreamReader reader(encoded.data(), encoded.size());
  const flutter::EncodableValue state = flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
  const flutter::EncodableValue& engine = state.Find("engines")->Get<flutter::ValueList>().at(0);
  EXPECT_NE(engine.Find("view_window")->Get<int64_t>(), 0);
  EXPECT_TRUE(engine.Find("window")->IsNull());
}

TEST_F(UiPortWindows, ArgumentsOfTheWrongLengthAreMalformed) {
  auto second = std::make_unique<UiPeer>(port_);
  ASSERT_TRUE(second->Next());
  ::testing::internal::CaptureStderr();
  peer_->Action(1, 3, 1, {1, 0, 0, 0});  // resize without a height
  second->Action(2, 1, 1, {0});          // a frame takes none
  for (UiPeer* peer : {peer_.get(), second.get()}) {
    std::optional<PeerFrame> error = peer->NextOfType(kProtocolError);
    EXPECT_TRUE(error);
    EXPECT_TRUE(peer->ClosedByHost());
  }
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(diagnostics, HasSubstr("action frame cut short"));
  EXPECT_THAT(diagnostics, HasSubstr("action frame too long"));
}

}  // namespace
}  // namespace standin::testing
