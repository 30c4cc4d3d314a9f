// A stand-in engine behind a view controller, with every stand-in record
// reset before and after each test.
#ifndef KESTRO_TESTS_NATIVE_SUPPORT_STANDIN_VIEW_TEST_H_
#define KESTRO_TESTS_NATIVE_SUPPORT_STANDIN_VIEW_TEST_H_

#include <gtest/gtest.h>

#include <memory>

#include "flutter/flutter_view_controller.h"
#include "standin/engine_test_api.h"

namespace kestro::testing {

class StandinViewTest : public ::testing::Test {
 protected:
  // Derived set-ups go on only when this one did not fail.
  void SetUp() override {
    standin::ResetAll();
    controller_ = NewController();
    ASSERT_NE(controller_->View(), nullptr);
    engine_id_ = standin::LiveEngines().back();
  }
  void TearDown() override {
    controller_.reset();
    standin::ResetAll();
  }

  static std::unique_ptr<flutter::FlutterViewController> NewController() {
    return std::make_unique<flutter::FlutterViewController>(800, 600, flutter::EngineProject(L"data"));
  }

  std::unique_ptr<flutter::FlutterViewController> controller_;
  standin::EngineId engine_id_ = 0;
};

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_SUPPORT_STANDIN_VIEW_TEST_H_
