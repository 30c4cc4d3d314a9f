// What the engine and view controller wrappers hand the engine library, and
// what they do with its answers.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "flutter/flutter_engine.h"
#include "flutter/flutter_view_controller.h"
#include "messaging_test_support.h"

namespace kestro_test {
namespace {

using flutter::EngineProject;
using flutter::FlutterEngine;
using flutter::FlutterViewController;

class EngineWrappersTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetAll(); }
  void TearDown() override { standin::ResetAll(); }

  static standin::EngineInfo OnlyEngine() {
    std::vector<standin::EngineId> engines = standin::AllEngines();
    EXPECT_EQ(engines.size(), 1u);
    return standin::GetEngine(engines.at(0)).value();
  }
};

TEST_F(EngineWrappersTest, ProjectFromAFolderNamesItsThreeFiles) {
  const EngineProject project(L"data");
  EXPECT_EQ(project.assets_path, L"data\\flutter_assets");
  EXPECT_EQ(project.icu_data_path, L"data\\icudtl.dat");
  EXPECT_EQ(project.aot_library_path, L"data\\app.so");
  EXPECT_TRUE(project.entrypoint.empty());
  EXPECT_TRUE(project.entrypoint_arguments.empty());
}

TEST_F(EngineWrappersTest, ProjectWithoutArgumentsPassesANullArrayAndAnEmptyEntrypoint) {
  FlutterEngine engine(EngineProject(L"data"));
  const standin::RecordedProperties properties = OnlyEngine().properties;
  EXPECT_EQ(properties.assets_path, L"data\\flutter_assets");
  EXPECT_EQ(properties.icu_data_path, L"data\\icudtl.dat");
  EXPECT_EQ(properties.aot_library_path, L"data\\app.so");
  EXPECT_EQ(properties.entrypoint, std::optional<std::string>(""));
  EXPECT_EQ(properties.entrypoint_argc, 0);
  EXPECT_TRUE(properties.entrypoint_argv_null);
}

TEST_F(EngineWrappersTest, ProjectArgumentsAndOptionsArePassedInOrder) {
  EngineProject project(L"data");
  project.entrypoint = "main2";
  project.entrypoint_arguments = {"--first", "zwei", ""};
  project.option_values = {1, -2, 3};
  FlutterEngine engine(project);
  const standin::RecordedProperties properties = OnlyEngine().properties;
  EXPECT_EQ(properties.entrypoint, std::optional<std::string>("main2"));
  EXPECT_EQ(properties.entrypoint_argc, 3);
  EXPECT_FALSE(properties.entrypoint_argv_null);
  EXPECT_EQ(properties.entrypoint_arguments, project.entrypoint_arguments);
  EXPECT_EQ(properties.option_values, project.option_values);
}

TEST_F(EngineWrappersTest, EngineIsDestroyedWithItsWrapperUnlessHandedOver) {
  { FlutterEngine engine(EngineProject(L"data")); }
  EXPECT_FALSE(OnlyEngine().alive);

  standin::ResetAll();
  FlutterDesktopEngineRef handle = nullptr;
  {
    FlutterEngine engine(EngineProject(L"data"));
    handle = engine.HandOverEngine();
  }
  EXPECT_TRUE(OnlyEngine().alive);
  FlutterDesktopEngineDestroy(handle);
}

TEST_F(EngineWrappersTest, RegistrarRequestsReachTheEngineOrFailWithoutOne) {
  FlutterEngine engine(EngineProject(L"data"));
  EXPECT_NE(engine.GetPluginRegistrar("window_manager"), nullptr);
  EXPECT_EQ(OnlyEngine().registrar_requests, std::vector<std::string>{"window_manager"});

  standin::ResetAll();
  standin::FailEngineCreation(true);
  FlutterEngine failed(EngineProject(L"data"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(failed.GetPluginRegistrar("window_manager"), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Cannot get plugin registrar on an engine that isn't running; call Run first.\n");
  EXPECT_EQ(standin::GetCounters().invalid_handles, 0);
}

TEST_F(EngineWrappersTest, ControllerRunsTheEngineAndShutsItDown) {
  auto controller = std::make_unique<FlutterViewController>(640, 480, EngineProject(L"data"));
  ASSERT_NE(controller->View(), nullptr);
  standin::EngineInfo engine = OnlyEngine();
  EXPECT_TRUE(engine.running);
  ASSERT_TRUE(engine.view.has_value());
  EXPECT_EQ(engine.view->width, 640);
  EXPECT_EQ(engine.view->height, 480);
  EXPECT_EQ(controller->View()->NativeWindow(), engine.view_window);
  controller.reset();
  EXPECT_FALSE(OnlyEngine().alive);
  EXPECT_EQ(standin::GetCounters().invalid_handles, 0);
}

TEST_F(EngineWrappersTest, FailedControllerHasNoViewAndSaysSo) {
  standin::FailViewControllerCreation(true);
  testing::internal::CaptureStderr();
  FlutterViewController controller(640, 480, EngineProject(L"data"));
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(EndsWith(written, "Failed to create view controller.\n")) << written;
  EXPECT_EQ(controller.View(), nullptr);
  ASSERT_NE(controller.Engine(), nullptr);
  EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, 1, 0, 0), std::nullopt);
}

TEST_F(EngineWrappersTest, WindowProcTellsHandledWithZeroFromNotHandled) {
  FlutterViewController controller(640, 480, EngineProject(L"data"));
  constexpr UINT kConsumed = 0x0100, kIgnored = 0x0101;
  standin::ConsumeWindowMessage(kConsumed, 0);
  EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, kConsumed, 1, 2), std::optional<LRESULT>(0));
  EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, kIgnored, 1, 2), std::nullopt);
}

class NextFrameTest : public EngineWrappersTest {
 protected:
  void SetUp() override {
    EngineWrappersTest::SetUp();
    standin::HoldFrames(true);
    controller_ = std::make_unique<FlutterViewController>(640, 480, EngineProject(L"data"));
    engine_id_ = standin::LiveEngines().at(0);
  }
  void TearDown() override {
    controller_.reset();
    EngineWrappersTest::TearDown();
  }

  void Frame() {
    ASSERT_TRUE(standin::RenderFrame(engine_id_));
    standin::PumpPlatformThread();
  }

  std::unique_ptr<FlutterViewController> controller_;
  standin::EngineId engine_id_ = 0;
  std::vector<std::string> log_;
};

TEST_F(NextFrameTest, OnlyTheLatestCallbackRunsAndOnlyOnce) {
  controller_->Engine()->SetNextFrameCallback([this] { log_.push_back("first"); });
  controller_->Engine()->SetNextFrameCallback([this] { log_.push_back("second"); });
  Frame();
  Frame();
  EXPECT_EQ(log_, std::vector<std::string>{"second"});
}

TEST_F(NextFrameTest, CallbackMayAskForTheFollowingFrame) {
  FlutterEngine* engine = controller_->Engine();
  engine->SetNextFrameCallback([this, engine] {
    log_.push_back("first");
    engine->SetNextFrameCallback([this] { log_.push_back("again"); });
  });
  Frame();
  Frame();
  EXPECT_EQ(log_, (std::vector<std::string>{"first", "again"}));
}

TEST_F(NextFrameTest, ExceptionFromTheCallbackIsReported) {
  controller_->Engine()->SetNextFrameCallback([] { throw std::runtime_error("frame failed"); });
  testing::internal::CaptureStderr();
  Frame();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Exception in next-frame callback: frame failed\n");
}

}  // namespace
}  // namespace kestro_test
