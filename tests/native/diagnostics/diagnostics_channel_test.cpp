// "kestro/diagnostics" answers get_info with what it was given, nulls for
// what is not there, and nothing else.
#include "diagnostics_channel.h"

#include <gtest/gtest.h>

#include <memory>

#include "flutter/flutter_view_controller.h"
#include "flutter/standard_method_codec.h"
#include "standin/engine_test_api.h"
#include "support/ui_call.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;

class DiagnosticsChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetAll();
    controller_ = std::make_unique<flutter::FlutterViewController>(800, 600, flutter::EngineProject(L"data"));
    engine_ = standin::LiveEngines().back();
  }
  void TearDown() override {
    controller_.reset();
    standin::ResetAll();
  }
  std::vector<uint8_t> Call(const std::string& method) {
    return CallAsUi(engine_, "kestro/diagnostics", method, nullptr);
  }
  static std::vector<uint8_t> Success(const EncodableValue& value) {
    return *flutter::StandardMethodCodec::Shared().EncodeSuccessReply(&value);
  }

  std::unique_ptr<flutter::FlutterViewController> controller_;
  standin::EngineId engine_ = 0;
};

TEST_F(DiagnosticsChannelTest, AFirstRunWithoutLogOrDumpsAnswersNulls) {
  RegisterDiagnosticsChannel(controller_->Engine(),
                             DiagnosticsInfo{"1.0.3.103", std::nullopt, std::nullopt, std::nullopt});
  EXPECT_EQ(Call("get_info"), Success(EncodableValue(ValueMap{
                                  {EncodableValue("version"), EncodableValue("1.0.3.103")},
                                  {EncodableValue("log_file"), EncodableValue()},
                                  {EncodableValue("crash_folder"), EncodableValue()},
                                  {EncodableValue("last_crash"), EncodableValue()},
                              })));
  for (const char* method : {"GET_INFO", "get_info ", "info"}) EXPECT_TRUE(Call(method).empty()) << method;
}

TEST_F(DiagnosticsChannelTest, TheLastCrashCarriesItsCodeAsAPositiveInteger) {
  RegisterDiagnosticsChannel(
      controller_->Engine(),
      DiagnosticsInfo{"1.0.3.103", "C:\\logs\\kestro.log", "C:\\crashes",
                      CrashRecord{"2026-12-08 14:30:00.123", 0xC0000005u, "kestro.exe", "C:\\crashes\\kestro-1.dmp"}});
  const EncodableValue crash(ValueMap{
      {EncodableValue("time"), EncodableValue("2026-12-08 14:30:00.123")},
      {EncodableValue("code"), EncodableValue(static_cast<int64_t>(0xC0000005u))},
      {EncodableValue("module"), EncodableValue("kestro.exe")},
      {EncodableValue("dump"), EncodableValue("C:\\crashes\\kestro-1.dmp")},
  });
  EXPECT_EQ(Call("get_info"), Success(EncodableValue(ValueMap{
                                  {EncodableValue("version"), EncodableValue("1.0.3.103")},
                                  {EncodableValue("log_file"), EncodableValue("C:\\logs\\kestro.log")},
                                  {EncodableValue("crash_folder"), EncodableValue("C:\\crashes")},
                                  {EncodableValue("last_crash"), crash},
                              })));
}

}  // namespace
}  // namespace kestro::testing
