#include "capture_protection_channel.h"

#include <cstdint>

#include "window_services_fixture.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;

constexpr std::uint32_t kExcluded = 0x11;

class CaptureProtectionTest : public WindowServicesTest {
 protected:
  void SetUp() override {
    WindowServicesTest::SetUp();
    RegisterCaptureProtectionChannel(controller_->Engine(), own_window_, windows_);
  }
  std::vector<uint8_t> Set(const EncodableValue& arguments) {
    return Call(kCaptureProtection, "set_exclude_from_capture", arguments);
  }
  std::vector<uint8_t> Get() { return CallWithoutArguments(kCaptureProtection, "get_exclude_from_capture"); }
};

TEST_F(CaptureProtectionTest, OnlyABareFalseShowsTheWindowEverythingElseHidesIt) {
  EXPECT_EQ(CallWithoutArguments(kCaptureProtection, "set_exclude_from_capture"), Answer(true));
  EXPECT_EQ(windows_.affinities[own_window_], kExcluded) << "no arguments";

  EXPECT_EQ(Set(EncodableValue(false)), Answer(true));
  EXPECT_EQ(windows_.affinities[own_window_], 0u);

  const EncodableValue hiding[] = {EncodableValue(), EncodableValue(true),
                                   EncodableValue(ValueMap{{EncodableValue("exclude"), EncodableValue(false)}}),
                                   EncodableValue(0), EncodableValue("false")};
  for (const EncodableValue& arguments : hiding) {
    windows_.affinities[own_window_] = 0;
    EXPECT_EQ(Set(arguments), Answer(true));
    EXPECT_EQ(windows_.affinities[own_window_], kExcluded) << "arguments of kind " << arguments.index();
  }
}

TEST_F(CaptureProtectionTest, SetAnswersTrueOnlyWhenThePlatformReportsExactlyOne) {
  windows_.failing.insert("SetWindowDisplayAffinity");
  EXPECT_EQ(Set(EncodableValue(true)), Answer(false));
  EXPECT_EQ(windows_.affinities.count(own_window_), 0u) << "a refused change leaves the affinity";
  windows_.failing.clear();
  windows_.set_affinity_result = 2;
  EXPECT_EQ(Set(EncodableValue(true)), Answer(false));
}

TEST_F(CaptureProtectionTest, GetAnswersTrueOnlyForExcludeFromCaptureReadSuccessfully) {
  EXPECT_EQ(Get(), Answer(false)) << "affinity none";
  windows_.affinities[own_window_] = 1;  // WDA_MONITOR
  EXPECT_EQ(Get(), Answer(false));
  windows_.affinities[own_window_] = kExcluded;
  EXPECT_EQ(Get(), Answer(true));
  windows_.get_affinity_result = 2;
  EXPECT_EQ(Get(), Answer(false));
  windows_.get_affinity_result = 1;
  windows_.failing.insert("GetWindowDisplayAffinity");
  EXPECT_EQ(Get(), Answer(false));
}

TEST_F(CaptureProtectionTest, OtherMethodsAreNotImplementedAndTouchNothing) {
  EXPECT_EQ(CallWithoutArguments(kCaptureProtection, "set_exclude_from_capture "), NotImplemented());
  EXPECT_EQ(CallWithoutArguments(kCaptureProtection, "Get_exclude_from_capture"), NotImplemented());
  EXPECT_TRUE(windows_.calls.empty());
}

TEST_F(WindowServicesTest, CaptureProtectionWithoutEngineOrWindowInstallsNothing) {
  RegisterCaptureProtectionChannel(nullptr, own_window_, windows_);
  RegisterCaptureProtectionChannel(controller_->Engine(), nullptr, windows_);
  EXPECT_FALSE(HasChannel(engine_id_, kCaptureProtection));
  RegisterCaptureProtectionChannel(controller_->Engine(), own_window_, windows_);
  EXPECT_TRUE(HasChannel(engine_id_, kCaptureProtection));
}

TEST_F(WindowServicesTest, EachWindowsChannelActsOnItsOwnWindow) {
  controllers_.push_back(NewController());
  const standin::EngineId second_engine = standin::LiveEngines().back();
  const HWND second_window = controllers_.back()->View()->NativeWindow();
  ASSERT_NE(second_window, own_window_);
  RegisterCaptureProtectionChannel(controller_->Engine(), own_window_, windows_);
  RegisterCaptureProtectionChannel(controllers_.back()->Engine(), second_window, windows_);

  CallOn(second_engine, kCaptureProtection, "set_exclude_from_capture", nullptr);
  EXPECT_EQ(windows_.affinities[second_window], kExcluded);
  EXPECT_EQ(windows_.affinities.count(own_window_), 0u);
}

}  // namespace
}  // namespace kestro::testing
