// Engines, view controllers, registrars, frames and window messages, as the
// host's tests rely on them.
#include <gmock/gmock.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <string>

#include "host_fixture.h"

namespace standin::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using EngineProperties = StandinTest;

TEST_F(EngineProperties, AreCopiedWithArgumentsInOrder) {
  std::string first = "--first";
  const char* arguments[] = {first.c_str(), "second"};
  FlutterDesktopEngineProperties properties{};
  properties.assets_path = L"data\\flutter_assets";
  properties.entrypoint = "";
  properties.entrypoint_argc = 2;
  properties.entrypoint_argv = arguments;
  properties.option_values[2] = 7;
  ASSERT_NE(FlutterDesktopEngineCreate(&properties), nullptr);
  first = "overwritten after the call";

  const standin::RecordedProperties recorded = standin::GetEngine(1)->properties;
  EXPECT_EQ(recorded.assets_path, std::wstring(L"data\\flutter_assets"));
  EXPECT_FALSE(recorded.icu_data_path.has_value());
  EXPECT_EQ(recorded.entrypoint, std::string());
  EXPECT_EQ(recorded.entrypoint_argc, 2);
  EXPECT_THAT(recorded.entrypoint_arguments, ElementsAre("--first", "second"));
  EXPECT_EQ(recorded.option_values[2], 7);
}

TEST_F(EngineProperties, NoArgumentsAndBadCountsAreRecordedAsGiven) {
  FlutterDesktopEngineProperties properties{};
  properties.entrypoint = "";
  ASSERT_NE(FlutterDesktopEngineCreate(&properties), nullptr);
  EXPECT_EQ(standin::GetEngine(1)->properties.entrypoint_argc, 0);
  EXPECT_TRUE(standin::GetEngine(1)->properties.entrypoint_argv_null);

  // A count without an array is a host bug: diagnosed, nothing read.
  properties.entrypoint_argc = 3;
  properties.entrypoint = nullptr;
  ::testing::internal::CaptureStderr();
  ASSERT_NE(FlutterDesktopEngineCreate(&properties), nullptr);
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(diagnostics, HasSubstr("null entrypoint"));
  EXPECT_THAT(diagnostics, HasSubstr("null argument array"));
  EXPECT_FALSE(standin::GetEngine(2)->properties.entrypoint.has_value());
  EXPECT_TRUE(standin::GetEngine(2)->properties.entrypoint_arguments.empty());

  EXPECT_EQ(FlutterDesktopEngineCreate(nullptr), nullptr);
}

using EngineLifetime = StandinTest;

TEST_F(EngineLifetime, InjectedCreationFailuresLeaveNoLiveEngine) {
  standin::FailEngineCreation(true);
  EXPECT_EQ(CreateEngine(), nullptr);
  standin::FailEngineCreation(false);

  standin::FailViewControllerCreation(true);
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopMessengerRef messenger = FlutterDesktopEngineGetMessenger(engine);
  EXPECT_EQ(FlutterDesktopViewControllerCreate(10, 10, engine), nullptr);
  // The controller took the engine over, so its failure shut the engine down.
  EXPECT_TRUE(standin::LiveEngines().empty());
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
}

TEST_F(EngineLifetime, ViewControllerRunsTheEngineUntilDestroyed) {
  const Running running = CreateRunningEngine(1280, 720);
  ASSERT_NE(running.controller, nullptr);
  standin::EngineInfo info = *standin::GetEngine(running.id);
  EXPECT_TRUE(info.running);
  EXPECT_EQ(info.view->width, 1280);
  EXPECT_EQ(info.view->height, 720);
  FlutterDesktopViewRef view = FlutterDesktopViewControllerGetView(running.controller);
  EXPECT_NE(FlutterDesktopViewGetHWND(view), nullptr);
  EXPECT_EQ(FlutterDesktopViewGetHWND(view), info.view_window);

  // The controller owns the engine: destroying the engine directly is refused.
  EXPECT_FALSE(FlutterDesktopEngineDestroy(running.engine));
  EXPECT_TRUE(FlutterDesktopMessengerIsAvailable(running.messenger));

  FlutterDesktopViewControllerDestroy(running.controller);
  EXPECT_TRUE(standin::LiveEngines().empty());
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(running.messenger));
  EXPECT_EQ(standin::GetCounters().invalid_handles, 0);
}

TEST_F(EngineLifetime, StaleHandlesAreCountedNotUsed) {
  FlutterDesktopEngineRef engine = CreateEngine();
  ASSERT_TRUE(FlutterDesktopEngineDestroy(engine));
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(FlutterDesktopEngineDestroy(engine));
  EXPECT_EQ(FlutterDesktopEngineGetPluginRegistrar(engine, "Plugin"), nullptr);
  EXPECT_EQ(FlutterDesktopViewControllerCreate(1, 1, engine), nullptr);
  FlutterDesktopViewControllerDestroy(nullptr);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("engine already destroyed"));
  EXPECT_EQ(standin::GetCounters().invalid_handles, 4);
}

#if defined(__GLIBC__)
// A window that gets many messages over its life (as every top-level window
// does) fills its engine's record of them; destroyed, the engine keeps only a
// small record, so opening and closing windows leaves the memory bounded.
TEST_F(EngineLifetime, DestroyedEnginesKeepLittleMemory) {
  constexpr int kEngines = 200;
  auto open_and_close = [] {
    const Running running = CreateRunningEngine();
    for (const char* plugin : {"WindowManagerPlugin", "TrayManagerPlugin", "HotkeyManagerWindowsPlugin",
                               "ScreenRetrieverWindowsPlugin", "DesktopMultiWindowPlugin"}) {
      FlutterDesktopEngineGetPluginRegistrar(running.engine, plugin);
    }
    HWND window = FlutterDesktopViewGetHWND(FlutterDesktopViewControllerGetView(running.controller));
    LRESULT result = 0;
    for (size_t i = 0; i < standin::kWindowMessagesKept; ++i) {
      FlutterDesktopViewControllerHandleTopLevelWindowProc(running.controller, window, 0x0200, i, 0, &result);
    }
    FlutterDesktopViewControllerDestroy(running.controller);
  };
  open_and_close();  // the first one grows what is shared by all of them
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < kEngines; ++i) open_and_close();
  const size_t per_engine = (mallinfo2().uordblks - before) / kEngines;
  EXPECT_LT(per_engine, 2048u);
}
#endif

using Registrars = StandinTest;

TEST_F(Registrars, SameNameSameHandleAndRequestsInOrder) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopPluginRegistrarRef window_manager =
      FlutterDesktopEngineGetPluginRegistrar(engine, "WindowManagerPlugin");
  FlutterDesktopPluginRegistrarRef tray = FlutterDesktopEngineGetPluginRegistrar(engine, "TrayManagerPlugin");
  EXPECT_NE(window_manager, tray);
  EXPECT_EQ(FlutterDesktopEngineGetPluginRegistrar(engine, "WindowManagerPlugin"), window_manager);
  EXPECT_THAT(standin::GetEngine(1)->registrar_requests,
              ElementsAre("WindowManagerPlugin", "TrayManagerPlugin", "WindowManagerPlugin"));
  EXPECT_EQ(FlutterDesktopPluginRegistrarGetMessenger(tray), FlutterDesktopEngineGetMessenger(engine));
}

using Frames = StandinTest;

TEST_F(Frames, NextFrameCallbackRunsOnceOnThePlatformThreadAfterAFrame) {
  const Running running = CreateRunningEngine();
  int calls = 0;
  auto count = [](void* user_data) { ++*static_cast<int*>(user_data); };
  FlutterDesktopEngineSetNextFrameCallback(running.engine, count, &calls);
  FlutterDesktopViewControllerForceRedraw(running.controller);
  EXPECT_EQ(calls, 0);  // not before the platform thread pumps
  standin::PumpPlatformThread();
  EXPECT_EQ(calls, 1);
  ASSERT_TRUE(standin::RenderFrame(running.id));
  standin::PumpPlatformThread();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(standin::GetEngine(running.id)->frames_rendered, 2);
  EXPECT_EQ(standin::GetEngine(running.id)->redraw_requests, 1);
}

TEST_F(Frames, HeldFramesAndHeadlessEnginesRenderNothing) {
  standin::HoldFrames(true);
  const Running running = CreateRunningEngine();
  int calls = 0;
  FlutterDesktopEngineSetNextFrameCallback(
      running.engine, [](void* user_data) { ++*static_cast<int*>(user_data); }, &calls);
  FlutterDesktopViewControllerForceRedraw(running.controller);
  standin::PumpPlatformThread();
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(standin::RenderFrame(running.id));
  standin::PumpPlatformThread();
  EXPECT_EQ(calls, 1);

  CreateEngine();
  EXPECT_FALSE(standin::RenderFrame(2));
}

using WindowMessages = StandinTest;

TEST_F(WindowMessages, OnlyConfiguredMessagesAreConsumedWithTheirResult) {
  const Running running = CreateRunningEngine();
  constexpr UINT kSize = 0x0005;
  constexpr UINT kFontChange = 0x001D;
  standin::ConsumeWindowMessage(kSize, 0);
  HWND window = FlutterDesktopViewGetHWND(FlutterDesktopViewControllerGetView(running.controller));
  LRESULT result = 99;
  EXPECT_TRUE(FlutterDesktopViewControllerHandleTopLevelWindowProc(running.controller, window, kSize, 1, 2, &result));
  EXPECT_EQ(result, 0);
  result = 99;
  EXPECT_FALSE(
      FlutterDesktopViewControllerHandleTopLevelWindowProc(running.controller, window, kFontChange, 0, 0, &result));
  EXPECT_EQ(result, 99);
  standin::StopConsumingWindowMessage(kSize);
  EXPECT_FALSE(FlutterDesktopViewControllerHandleTopLevelWindowProc(running.controller, window, kSize, 0, 0, &result));

  const auto offered = standin::OfferedWindowMessages(running.id);
  ASSERT_EQ(offered.size(), 3u);
  EXPECT_TRUE(offered[0].consumed);
  EXPECT_EQ(offered[0].wparam, 1u);
  EXPECT_EQ(offered[1].message, kFontChange);
  EXPECT_FALSE(offered[2].consumed);
}

TEST_F(WindowMessages, ProcessWideCallsAreCounted) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopEngineReloadSystemFonts(engine);
  FlutterDesktopResyncOutputStreams();
  EXPECT_EQ(standin::GetEngine(1)->fonts_reloads, 1);
  EXPECT_EQ(standin::GetCounters().resyncs, 1);
  EXPECT_EQ(FlutterDesktopGetDpiForMonitor(nullptr), 96u);
  standin::SetMonitorDpi(120);
  EXPECT_EQ(FlutterDesktopGetDpiForMonitor(nullptr), 120u);
}

}  // namespace
}  // namespace standin::testing
