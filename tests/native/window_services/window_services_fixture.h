// A stand-in engine behind a view controller, a fake window system, and
// the UI's side of the capture protection and text insertion channels.
#ifndef KESTRO_TESTS_NATIVE_WINDOW_SERVICES_FIXTURE_H_
#define KESTRO_TESTS_NATIVE_WINDOW_SERVICES_FIXTURE_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "clipboard_restore.h"
#include "fake_window_system.h"
#include "flutter/flutter_view_controller.h"
#include "flutter/standard_method_codec.h"
#include "foreground_tracking.h"
#include "standin/engine_test_api.h"
#include "support/standin_view_test.h"
#include "support/ui_call.h"

namespace kestro::testing {

inline const std::string kCaptureProtection = "kestro/capture_protection";
inline const std::string kTextInsertion = "kestro/text_insertion";

class WindowServicesTest : public StandinViewTest {
 protected:
  void SetUp() override {
    ProcessForegroundTracking() = {};
    ProcessClipboardRestore() = {};
    StandinViewTest::SetUp();
    if (HasFatalFailure()) return;
    own_window_ = controller_->View()->NativeWindow();
    ASSERT_NE(own_window_, nullptr);
    windows_.AddWindow(own_window_, windows_.own_process);
  }
  void TearDown() override {
    controllers_.clear();
    controller_.reset();
    ProcessForegroundTracking() = {};
    ProcessClipboardRestore() = {};
    StandinViewTest::TearDown();
  }

  // Plays the UI: one call on `engine` and its answer.
  static std::vector<uint8_t> CallOn(standin::EngineId engine, const std::string& channel, const std::string& method,
                                     std::unique_ptr<flutter::EncodableValue> arguments) {
    return CallAsUi(engine, channel, method, std::move(arguments));
  }
  std::vector<uint8_t> Call(const std::string& channel, const std::string& method,
                            const flutter::EncodableValue& arguments) {
    return CallOn(engine_id_, channel, method, std::make_unique<flutter::EncodableValue>(arguments));
  }
  std::vector<uint8_t> CallWithoutArguments(const std::string& channel, const std::string& method) {
    return CallOn(engine_id_, channel, method, nullptr);
  }

  static bool HasChannel(standin::EngineId engine, const std::string& channel) {
    const std::vector<std::string> channels = standin::GetEngine(engine)->channels;
    return std::find(channels.begin(), channels.end(), channel) != channels.end();
  }

  static const flutter::StandardMethodCodec& Codec() { return flutter::StandardMethodCodec::Shared(); }
  static std::vector<uint8_t> Answer(bool value) {
    const flutter::EncodableValue encoded(value);
    return *Codec().EncodeSuccessReply(&encoded);
  }
  static std::vector<uint8_t> NotImplemented() { return {}; }

  FakeWindowSystem windows_;
  std::vector<std::unique_ptr<flutter::FlutterViewController>> controllers_;
  HWND own_window_ = nullptr;
};

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_WINDOW_SERVICES_FIXTURE_H_
