// What the engine and view controller wrappers hand the engine library, and
// what they make of its answers.
#include <optional>
#include <stdexcept>

#include "messaging_test_support.h"

namespace flutter::testing {
namespace {

using flutter::EngineProject;
using flutter::FlutterEngine;
using flutter::FlutterViewController;

class EngineWrappersTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetAll(); }
  void TearDown() override { standin::ResetAll(); }
  static standin::EngineInfo FirstEngine() { return standin::GetEngine(standin::AllEngines().at(0)).value(); }
};

TEST_F(EngineWrappersTest, PropertiesCarryTheProjectWithNullArgumentsAndNonNullEntrypoint) {
  { FlutterEngine engine(EngineProject(L"data")); }
  standin::RecordedProperties properties = FirstEngine().properties;
  EXPECT_EQ(properties.assets_path, L"data\\flutter_assets");
  EXPECT_EQ(properties.icu_data_path, L"data\\icudtl.dat");
  EXPECT_EQ(properties.aot_library_path, L"data\\app.so");
  EXPECT_EQ(properties.entrypoint, std::optional<std::string>(""));
  EXPECT_EQ(properties.entrypoint_argc, 0);
  EXPECT_TRUE(properties.entrypoint_argv_null);

  standin::ResetAll();
  EngineProject project(L"data");
  project.entrypoint_arguments = {"--first", "zwei", ""};
  project.option_values = {1, -2, 3};
  { FlutterEngine engine(project); }
  properties = FirstEngine().properties;
  EXPECT_EQ(properties.entrypoint_argc, 3);
  EXPECT_EQ(properties.entrypoint_arguments, project.entrypoint_arguments);
  EXPECT_EQ(properties.option_values, project.option_values);
}

TEST_F(EngineWrappersTest, EngineIsDestroyedWithItsWrapperUnlessHandedOver) {
  { FlutterEngine engine(EngineProject(L"data")); }
  EXPECT_FALSE(FirstEngine().alive);
  standin::ResetAll();
  FlutterDesktopEngineRef handle = FlutterEngine(EngineProject(L"data")).HandOverEngine();
  EXPECT_TRUE(FirstEngine().alive);
  FlutterDesktopEngineDestroy(handle);
}

TEST_F(EngineWrappersTest, RegistrarsComeFromTheEngineOrFailWithoutOne) {
  EXPECT_NE(FlutterEngine(EngineProject(L"data")).GetPluginRegistrar("window_manager"), nullptr);
  EXPECT_EQ(FirstEngine().registrar_requests, std::vector<std::string>{"window_manager"});
  standin::ResetAll();
  standin::FailEngineCreation(true);
  FlutterEngine failed(EngineProject(L"data"));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(failed.GetPluginRegistrar("window_manager"), nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Cannot get plugin registrar on an engine that isn't running; call Run first.\n");
  EXPECT_TRUE(NoMisuse());
}

TEST_F(EngineWrappersTest, ControllerRunsItsEngineInAViewAndShutsBothDown) {
  auto controller = std::make_unique<FlutterViewController>(640, 480, EngineProject(L"data"));
  standin::EngineInfo engine = FirstEngine();
  EXPECT_TRUE(engine.running);
  EXPECT_EQ(engine.view->width, 640);
  EXPECT_EQ(engine.view->height, 480);
  EXPECT_EQ(controller->View()->NativeWindow(), engine.view_window);
  controller.reset();
  EXPECT_FALSE(FirstEngine().alive);
  EXPECT_TRUE(NoMisuse());
}

TEST_F(EngineWrappersTest, FailedControllerSaysSoAndHasNoView) {
  standin::FailViewControllerCreation(true);
  ::testing::internal::CaptureStderr();
  FlutterViewController controller(640, 480, EngineProject(L"data"));
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(EndsWith(written, "Failed to create view controller.\n")) << written;
  EXPECT_EQ(controller.View(), nullptr);
  EXPECT_NE(controller.Engine(), nullptr);
  EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, 1, 0, 0), std::nullopt);
}

TEST_F(EngineWrappersTest, WindowProcTellsHandledWithZeroFromNotHandled) {
  FlutterViewController controller(640, 480, EngineProject(L"data"));
  standin::ConsumeWindowMessage(0x0100, 0);
  EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, 0x0100, 1, 2), std::optional<LRESULT>(0));
  EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, 0x0101, 1, 2), std::nullopt);
}

TEST_F(EngineWrappersTest, NextFrameRunsTheLatestCallbackOnceAndMayReArm) {
  standin::HoldFrames(true);
  FlutterViewController controller(640, 480, EngineProject(L"data"));
  FlutterEngine* engine = controller.Engine();
  std::vector<std::string> log;
  auto frame = [] {
    ASSERT_TRUE(standin::RenderFrame(standin::AllEngines().at(0)));
    standin::PumpPlatformThread();
  };
  engine->SetNextFrameCallback([&] { log.push_back("replaced"); });
  engine->SetNextFrameCallback([&] {
    log.push_back("first");
    engine->SetNextFrameCallback([&] { log.push_back("again"); });
  });
  frame();
  frame();
  frame();
  EXPECT_EQ(log, (std::vector<std::string>{"first", "again"}));

  engine->SetNextFrameCallback([] { throw std::runtime_error("frame failed"); });
  ::testing::internal::CaptureStderr();
  frame();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Exception in next-frame callback: frame failed\n");
}

}  // namespace
}  // namespace flutter::testing
