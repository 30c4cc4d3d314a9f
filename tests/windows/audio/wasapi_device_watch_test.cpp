// The WASAPI endpoint's device notifications in the Wine test bed.
#include <gtest/gtest.h>

#include <string>

#include "wasapi_audio_endpoint.h"

namespace kestro::testing {
namespace {

// The enumerator takes the notification client, nothing has changed yet,
// and tearing down unregisters it without a failure line.
TEST(WasapiDeviceWatch, RegistersWithTheEnumeratorAndUnregistersOnTeardown) {
  ::testing::internal::CaptureStderr();
  {
    const auto endpoint = CreateWasapiAudioEndpoint(EndpointFlow::kCapture);
    endpoint->EnterApartment();
    ASSERT_TRUE(endpoint->CreateEnumerator());
    ASSERT_TRUE(endpoint->GetDefaultDevice());
    EXPECT_TRUE(endpoint->WatchDevices());
    EXPECT_FALSE(endpoint->DevicesChanged());
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace kestro::testing
