// flutter_windows.dll as the shell meets it under a real window system: its
// exports, the view window, frames, the platform thread and the UI port.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"
#include "host_window.h"
#include "socket_peer.h"

namespace standin::testing {
namespace {

using namespace std::chrono_literals;
using flutter::EncodableValue;

constexpr uint8_t kSendMessage = 0x01;
constexpr uint8_t kQueryState = 0x03;
constexpr uint8_t kAction = 0x04;
constexpr uint8_t kHello = 0x80;
constexpr uint8_t kMessageResponse = 0x81;
constexpr uint8_t kStateReply = 0x83;
constexpr uint8_t kActionResult = 0x84;

// The UI port starts with the first engine, wherever the tests create it.
const uint16_t ui_port = [] {
  const uint16_t port = UnusedLoopbackPort();
  _putenv_s("KESTRO_UI_PORT", std::to_string(port).c_str());
  return port;
}();

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

// A connected peer that has had its greeting.
class Peer : public SocketPeer {
 public:
  Peer() : SocketPeer(ui_port) {
    const std::optional<Frame> hello = Await(kHello);
    EXPECT_TRUE(hello && GetU32(hello->payload, 0) == 1u);
  }

  EncodableValue State() {
    std::vector<uint8_t> payload;
    PutU32(&payload, 1);
    Send(kQueryState, payload);
    const std::optional<Frame> reply = Await(kStateReply);
    if (!reply) return EncodableValue();
    flutter::ByteBufferStreamReader reader(reply->payload.data() + 4, reply->payload.size() - 4);
    return flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
  }

  // The state of the engine whose view is `view`.
  EncodableValue EngineWithView(HWND view) {
    const EncodableValue state = State();
    for (const EncodableValue& engine : state.Find("engines")->Get<flutter::ValueList>()) {
      if (engine.Find("view_window")->Get<int64_t>() == static_cast<int64_t>(reinterpret_cast<uintptr_t>(view))) {
        return engine;
      }
    }
    return EncodableValue();
  }

  // True when the action was done.
  bool Act(uint8_t action, int64_t engine, const std::vector<uint8_t>& arguments = {}) {
    std::vector<uint8_t> payload;
    PutU32(&payload, 2);
    payload.push_back(action);
    PutU64(&payload, static_cast<uint64_t>(engine));
    payload.insert(payload.end(), arguments.begin(), arguments.end());
    Send(kAction, payload);
    const std::optional<Frame> result = Await(kActionResult);
    return result && result->payload.at(4) == 1;
  }
};

int32_t Field(const EncodableValue& rectangle, const char* name) {
  return rectangle.Find(name)->Get<int32_t>();
}

TEST(EngineLibrary, ExportsEveryFunctionTheHostImports) {
  const HMODULE library = GetModuleHandleW(L"flutter_windows.dll");
  ASSERT_NE(library, nullptr);
  for (const char* name : {"FlutterDesktopEngineCreate",
                           "FlutterDesktopEngineDestroy",
                           "FlutterDesktopEngineGetMessenger",
                           "FlutterDesktopEngineGetPluginRegistrar",
                           "FlutterDesktopEngineReloadSystemFonts",
                           "FlutterDesktopEngineSetNextFrameCallback",
                           "FlutterDesktopViewControllerCreate",
                           "FlutterDesktopViewControllerDestroy",
                           "FlutterDesktopViewControllerGetView",
                           "FlutterDesktopViewControllerForceRedraw",
                           "FlutterDesktopViewControllerHandleTopLevelWindowProc",
                           "FlutterDesktopViewGetHWND",
                           "FlutterDesktopMessengerSend",
                           "FlutterDesktopMessengerSendWithReply",
                           "FlutterDesktopMessengerSetCallback",
                           "FlutterDesktopMessengerSendResponse",
                           "FlutterDesktopMessengerAddRef",
                           "FlutterDesktopMessengerRelease",
                           "FlutterDesktopMessengerLock",
                           "FlutterDesktopMessengerUnlock",
                           "FlutterDesktopMessengerIsAvailable",
                           "FlutterDesktopGetDpiForMonitor",
                           "FlutterDesktopResyncOutputStreams",
                           "FlutterDesktopPluginRegistrarGetMessenger"}) {
    EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
  }
}

TEST(EngineLibrary, AnswersTheMonitorsDpi) {
  const HDC screen = GetDC(nullptr);
  const UINT screen_dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(FlutterDesktopGetDpiForMonitor(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)), screen_dpi);
  EXPECT_EQ(FlutterDesktopGetDpiForMonitor(nullptr), screen_dpi);
}

TEST(ViewWindow, IsAChildOfTheRequestedSizeUntilItsControllerGoes) {
  const RunningEngine running = CreateRunningEngine(320, 240);
  ASSERT_NE(running.controller, nullptr);
  ASSERT_TRUE(IsWindow(running.view));
  EXPECT_TRUE(GetWindowLongW(running.view, GWL_STYLE) & WS_CHILD);
  RECT client{};
  GetClientRect(running.view, &client);
  EXPECT_EQ(client.right - client.left, 320);
  EXPECT_EQ(client.bottom - client.top, 240);
  {
    HostWindow host(L"standin adopts", 400, 300);
    host.Attach(running);
    EXPECT_EQ(GetAncestor(running.view, GA_ROOT), host.handle());
  }
  EXPECT_FALSE(IsWindow(running.view));
}

struct FrameRecord {
  int calls = 0;
  DWORD thread = 0;
  static void OnFrame(void* user_data) {
    auto* record = static_cast<FrameRecord*>(user_data);
    ++record->calls;
    record->thread = GetCurrentThreadId();
  }
};

TEST(Frames, TheFirstPaintRendersOneOnThePlatformThread) {
  const RunningEngine running = CreateRunningEngine(200, 100);
  HostWindow host(L"standin paints", 200, 100);
  host.Attach(running);
  FrameRecord frame;
  FlutterDesktopEngineSetNextFrameCallback(running.engine, FrameRecord::OnFrame, &frame);
  PumpMessagesUntil([] { return false; }, 200ms);
  EXPECT_EQ(frame.calls, 0) << "no frame while hidden and not asked for";

  host.Show();
  EXPECT_TRUE(PumpMessagesUntil([&] { return frame.calls > 0; }, 5s));
  EXPECT_EQ(frame.thread, GetCurrentThreadId());
  PumpMessagesUntil([] { return false; }, 100ms);
  EXPECT_EQ(frame.calls, 1);
}

TEST(Frames, ForceRedrawRendersOneWithoutAPaint) {
  const RunningEngine running = CreateRunningEngine(200, 100);
  HostWindow host(L"standin redraws", 200, 100);
  host.Attach(running);
  FrameRecord frame;
  FlutterDesktopEngineSetNextFrameCallback(running.engine, FrameRecord::OnFrame, &frame);
  FlutterDesktopViewControllerForceRedraw(running.controller);
  EXPECT_TRUE(PumpMessagesUntil([&] { return frame.calls == 1; }, 5s));
  EXPECT_FALSE(IsWindowVisible(host.handle()));
}

struct MessageRecord {
  std::vector<uint8_t> bytes;
  DWORD thread = 0;
  static void OnMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message, void* user_data) {
    auto* record = static_cast<MessageRecord*>(user_data);
    record->bytes.assign(message->message, message->message + message->message_size);
    record->thread = GetCurrentThreadId();
    const std::vector<uint8_t> answer = Bytes("pong");
    FlutterDesktopMessengerSendResponse(messenger, message->response_handle, answer.data(), answer.size());
  }
};

TEST(UiPort, PeerMessagesReachChannelCallbacksOnThePlatformThread) {
  const RunningEngine running = CreateRunningEngine(200, 100);
  MessageRecord received;
  FlutterDesktopMessengerSetCallback(FlutterDesktopEngineGetMessenger(running.engine), "kestro/test",
                                     MessageRecord::OnMessage, &received);
  Peer peer;
  ASSERT_TRUE(peer.connected());
  const int64_t engine = peer.EngineWithView(running.view).Find("id")->Get<int64_t>();

  std::vector<uint8_t> payload;
  PutU32(&payload, 7);
  PutU64(&payload, static_cast<uint64_t>(engine));
  PutU32(&payload, 11);
  for (uint8_t byte : Bytes("kestro/testping")) payload.push_back(byte);
  peer.Send(kSendMessage, payload);
  const std::optional<Frame> response = peer.Await(kMessageResponse);
  ASSERT_TRUE(response);
  EXPECT_EQ(GetU32(response->payload, 0), 7u);
  EXPECT_EQ(response->payload.at(4), 0);  // answered
  EXPECT_EQ(std::vector<uint8_t>(response->payload.begin() + 5, response->payload.end()), Bytes("pong"));
  EXPECT_EQ(received.bytes, Bytes("ping"));
  EXPECT_EQ(received.thread, GetCurrentThreadId());
  FlutterDesktopViewControllerDestroy(running.controller);
}

TEST(UiPort, StateDescribesTheTopLevelWindowOfAView) {
  const RunningEngine running = CreateRunningEngine(300, 200);
  HostWindow host(L"standin described \u00e9", 300, 200);
  host.Attach(running);
  host.Show();
  Peer peer;
  const EncodableValue window = *peer.EngineWithView(running.view).Find("window");
  ASSERT_FALSE(window.IsNull());
  EXPECT_EQ(window.Find("handle")->Get<int64_t>(), static_cast<int64_t>(reinterpret_cast<uintptr_t>(host.handle())));
  EXPECT_EQ(window.Find("title")->Get<std::string>(), "standin described \xc3\xa9");
  EXPECT_TRUE(window.Find("visible")->Get<bool>());
  EXPECT_EQ(window.Find("show_state")->Get<std::string>(), "normal");
  const auto style = static_cast<uint32_t>(window.Find("style")->Get<int64_t>());
  EXPECT_EQ(style & (WS_POPUP | WS_THICKFRAME | WS_CAPTION), static_cast<uint32_t>(WS_POPUP | WS_THICKFRAME));
  RECT client{};
  GetClientRect(host.handle(), &client);
  const EncodableValue& view = *window.Find("view_rect");
  EXPECT_EQ(Field(view, "left"), 0);
  EXPECT_EQ(Field(view, "top"), 0);
  EXPECT_EQ(Field(view, "right"), client.right);
  EXPECT_EQ(Field(view, "bottom"), client.bottom);
  EXPECT_EQ(Field(*window.Find("client_rect"), "right"), client.right);
  EXPECT_EQ(Field(*window.Find("window_rect"), "left"), 20);
  EXPECT_EQ(static_cast<UINT>(window.Find("dpi")->Get<int32_t>()),
            FlutterDesktopGetDpiForMonitor(MonitorFromWindow(host.handle(), MONITOR_DEFAULTTONEAREST)));

  // A view that is in no window yet has none to describe.
  const RunningEngine parked = CreateRunningEngine(10, 10);
  EXPECT_TRUE(peer.EngineWithView(parked.view).Find("window")->IsNull());
  FlutterDesktopViewControllerDestroy(parked.controller);
}

TEST(UiPort, ActionsWorkOnTheTopLevelWindowOfAView) {
  const RunningEngine running = CreateRunningEngine(300, 200);
  HostWindow host(L"standin acted on", 300, 200);
  host.Attach(running);
  host.Show();
  Peer peer;
  const int64_t engine = peer.EngineWithView(running.view).Find("id")->Get<int64_t>();

  std::vector<uint8_t> size;
  PutU32(&size, 360);
  PutU32(&size, 250);
  ASSERT_TRUE(peer.Act(3, engine, size));
  RECT rect{};
  GetWindowRect(host.handle(), &rect);
  EXPECT_EQ(rect.right - rect.left, 360);
  EXPECT_EQ(rect.bottom - rect.top, 250);

  ASSERT_TRUE(peer.Act(4, engine));
  EXPECT_EQ(host.font_changes, 1);
  EXPECT_EQ(peer.EngineWithView(running.view).Find("fonts_reloads")->Get<int32_t>(), 1);

  ASSERT_TRUE(peer.Act(7, engine));
  EXPECT_TRUE(IsIconic(host.handle()));
  EXPECT_EQ(peer.EngineWithView(running.view).Find("window")->Find("show_state")->Get<std::string>(), "minimised");
  ASSERT_TRUE(peer.Act(8, engine));
  EXPECT_FALSE(IsIconic(host.handle()));

  // A consumed WM_CLOSE never reaches the window's own handling.
  std::vector<uint8_t> consume;
  PutU32(&consume, WM_CLOSE);
  PutU64(&consume, 0);
  ASSERT_TRUE(peer.Act(5, engine, consume));
  ASSERT_TRUE(peer.Act(2, engine));
  PumpMessagesUntil([] { return false; }, 100ms);
  EXPECT_EQ(host.closes, 0);
  std::vector<uint8_t> stop;
  PutU32(&stop, WM_CLOSE);
  ASSERT_TRUE(peer.Act(6, engine, stop));
  ASSERT_TRUE(peer.Act(2, engine));
  EXPECT_TRUE(PumpMessagesUntil([&] { return host.closes == 1; }, 5s));

  EXPECT_FALSE(peer.Act(2, 1000)) << "no such engine";
}

TEST(UiPort, APeerDroppedForNotReadingSeesTheEnd) {
  const RunningEngine running = CreateRunningEngine(100, 100);
  SocketPeer idle(ui_port);
  ASSERT_TRUE(idle.connected());
  // More than the port keeps for a peer, while this one reads nothing.
  const std::vector<uint8_t> event(1u << 20, 0x5A);
  const FlutterDesktopMessengerRef messenger = FlutterDesktopEngineGetMessenger(running.engine);
  for (int i = 0; i < 96; ++i) FlutterDesktopMessengerSend(messenger, "kestro/events", event.data(), event.size());
  // Its side ends, and what it sends now fails rather than waits for
  // buffer space on a connection nobody reads any more.
  EXPECT_TRUE(idle.SendFailsSoon());
  EXPECT_TRUE(idle.ClosedByHost());
  FlutterDesktopViewControllerDestroy(running.controller);
}

TEST(FailureInjection, TheEnvironmentFailsCreationsUntilCleared) {
  _putenv_s("KESTRO_STANDIN_FAIL", "engine");
  EXPECT_EQ(CreateEngine(), nullptr);
  _putenv_s("KESTRO_STANDIN_FAIL", "view_controller");
  const FlutterDesktopEngineRef engine = CreateEngine();
  ASSERT_NE(engine, nullptr);
  const FlutterDesktopMessengerRef messenger = FlutterDesktopEngineGetMessenger(engine);
  EXPECT_EQ(FlutterDesktopViewControllerCreate(100, 100, engine), nullptr);
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger)) << "the failed controller's engine is shut down";
  _putenv_s("KESTRO_STANDIN_FAIL", "");
  const RunningEngine running = CreateRunningEngine(100, 100);
  EXPECT_NE(running.controller, nullptr);
  FlutterDesktopViewControllerDestroy(running.controller);
}

}  // namespace
}  // namespace standin::testing
