// Each chunk costs one allocation in steady state: its byte array. Start survives running out of memory.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "allocation_counter.h"
#include "capture_probe.h"

namespace kestro::testing {
namespace {

TEST(CaptureAllocations, OnePerChunkOnceRunning) {
  AudioRecording recording;
  recording.format = FloatFormat(48000, 2);
  for (int k = 0; k < 100; ++k) recording.AddFloatPacket(std::vector<float>(480 * 2, 0.25f));
  RecordedAudioSource source(recording);

  // Written by the chunk callback without allocating; read after the join.
  std::array<long, 100> at_chunk{};
  int chunks = 0;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(10,
                            [&](std::vector<std::uint8_t>) {
                              if (chunks < static_cast<int>(at_chunk.size())) at_chunk[chunks] = AllocationCount();
                              ++chunks;
                            },
                            {}));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();

  ASSERT_EQ(chunks, 100);
  ASSERT_GE(at_chunk[0], 0) << "no allocation counter";
  for (int k = 10; k < chunks; ++k) {
    EXPECT_EQ(at_chunk[k] - at_chunk[k - 1], 1) << "chunk " << k;
  }
}

// The filtered conversion works in fixed blocks, so packets of any size,
// larger than any before, cost nothing either.
TEST(CaptureAllocations, OnePerChunkWithTheFilteredConversion) {
  AudioRecording recording;
  recording.format = FloatFormat(44100, 2);
  for (int k = 0; k < 100; ++k) {
    const std::size_t frames = k < 50 ? 441 : 441 + static_cast<std::size_t>(k) * 97 % 4000;
    recording.AddFloatPacket(std::vector<float>(frames * 2, 0.25f));
  }
  RecordedAudioSource source(recording);
  std::array<long, 400> at_chunk{};
  int chunks = 0;
  CaptureOptions options;
  options.quality = ConversionQuality::kHigh;
  KestroLoopbackCapture capture(source.Factory());
  ASSERT_TRUE(capture.Start(
      10,
      [&](std::vector<std::uint8_t>) {
        if (chunks < static_cast<int>(at_chunk.size())) at_chunk[chunks] = AllocationCount();
        ++chunks;
      },
      {}, options));
  ASSERT_TRUE(source.WaitUntilDrained(kPatience));
  capture.Stop();

  ASSERT_GT(chunks, 300);
  ASSERT_GE(at_chunk[0], 0) << "no allocation counter";
  for (int k = 10; k < std::min<int>(chunks, at_chunk.size()); ++k) {
    EXPECT_EQ(at_chunk[k] - at_chunk[k - 1], 1) << "chunk " << k;
  }
}

// Start's first two allocations hold its callbacks. Failing either must
// report to the error callback of that Start, not to an earlier one.
TEST(CaptureAllocations, StartOutOfMemoryReportsToItsOwnErrorCallback) {
  for (int successes : {0, 1}) {
    AudioRecording silent;
    silent.format = FloatFormat(16000, 1);
    RecordedAudioSource source(silent);
    CaptureProbe earlier;
    CaptureProbe later;
    KestroLoopbackCapture capture(source.Factory());
    ASSERT_TRUE(capture.Start(10, earlier.OnChunk(), earlier.OnError()));
    capture.Stop();
    KestroLoopbackCapture::ChunkCallback on_chunk = later.OnChunk();
    KestroLoopbackCapture::ErrorCallback on_error = later.OnError();
    if (!FailAllocationAfter(successes)) GTEST_SKIP() << "allocations cannot be failed here";
    EXPECT_FALSE(capture.Start(10, std::move(on_chunk), std::move(on_error)));
    FailAllocationAfter(-1);
    EXPECT_EQ(later.Errors(), std::vector<std::string>{"Failed to start capture thread"}) << successes;
    EXPECT_EQ(earlier.Errors(), std::vector<std::string>{}) << successes;
  }
}

}  // namespace
}  // namespace kestro::testing
