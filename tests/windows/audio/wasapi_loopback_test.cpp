// The product's render loopback in the Wine test bed: Wine 8 initialises the
// loopback stream but refuses its capture client, which gives a real
// set-up failure to check the engine's reporting and running state against.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "chunk_collector.h"
#include "loopback_capture.h"
#include "wasapi_audio_endpoint.h"

namespace kestro::testing {
namespace {

using std::chrono::milliseconds;
using Chunk = ChunkCollector::Chunk;
using Errors = std::vector<std::string>;

constexpr std::int32_t kChunkMs = 80;
constexpr milliseconds kFailureTimeout{5000};
// Far longer than a capture thread takes to fail here, had one been launched.
constexpr milliseconds kQuietPeriod{500};
const Errors kMissingCaptureClient{"WASAPI: GetService(IAudioCaptureClient) failed"};
// AUDCLNT_E_WRONG_ENDPOINT_TYPE, as Wine gives it.
constexpr char kMissingCaptureClientLine[] = "Error: IAudioClient::GetService failed: 0x88890003";

bool AnyError(const std::vector<Chunk>&, const Errors& errors) {
  return !errors.empty();
}
bool AnyCall(const std::vector<Chunk>& chunks, const Errors& errors) {
  return !chunks.empty() || !errors.empty();
}

TEST(WasapiLoopbackUnderWine, ReportsTheMissingCaptureClientAndStaysStartedUntilStop) {
  ChunkCollector first;
  ChunkCollector while_ended;
  ChunkCollector after_stop;
  KestroLoopbackCapture capture([] { return CreateWasapiAudioEndpoint(EndpointFlow::kRenderLoopback); });

  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(capture.Start(kChunkMs, first.ChunkCallback(), first.ErrorCallback()));
  const bool failed = first.WaitUntil(kFailureTimeout, AnyError);
  // The endpoint names the failed call and its code; the message above it does not.
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(failed) << "no error within " << kFailureTimeout.count() << " ms";
  EXPECT_NE(diagnostics.find(kMissingCaptureClientLine), std::string::npos) << diagnostics;
  // The status carries the same code, and the device's friendly name from
  // its property store.
  const CaptureStatusSnapshot status = capture.status()->Snapshot();
  EXPECT_EQ(status.result_code, 0x88890003u);
  EXPECT_EQ(status.device, "PulseAudio");

  // The failed capture keeps its flag: a new Start drops its callbacks.
  EXPECT_TRUE(capture.Start(kChunkMs, while_ended.ChunkCallback(), while_ended.ErrorCallback()));
  EXPECT_FALSE(while_ended.WaitUntil(kQuietPeriod, AnyCall));
  capture.Stop();
  EXPECT_EQ(first.Errors(), kMissingCaptureClient);
  EXPECT_TRUE(first.Chunks().empty());
  EXPECT_EQ(while_ended.Errors(), Errors{});

  // Stop returns it to idle, so the next Start opens the device again.
  ASSERT_TRUE(capture.Start(kChunkMs, after_stop.ChunkCallback(), after_stop.ErrorCallback()));
  EXPECT_TRUE(after_stop.WaitUntil(kFailureTimeout, AnyError));
  capture.Stop();
  EXPECT_EQ(after_stop.Errors(), kMissingCaptureClient);
  EXPECT_EQ(first.Errors(), kMissingCaptureClient);
}

}  // namespace
}  // namespace kestro::testing
