// The capture engine over the real WASAPI endpoint of the Wine test bed,
// whose default capture device is the monitor of the sink that with_tone.sh
// plays a tone into. The bed's loopback has no capture client, so the tone
// is recorded through the capture data flow.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "chunk_collector.h"
#include "loopback_capture.h"
#include "tone_analysis.h"
#include "wasapi_audio_endpoint.h"

namespace kestro {
namespace {

using std::chrono::milliseconds;
using Chunk = ChunkCollector::Chunk;

constexpr std::int32_t kChunkMs = 80;
constexpr std::size_t kChunkBytes = kChunkMs * 16 * 2;
constexpr double kOutputRate = 16000;
// Set by the test's environment, and played by with_tone.sh from the same.
constexpr const char* kToneFrequencyVariable = "KESTRO_TONE_HZ";
constexpr const char* kToneAmplitudeVariable = "KESTRO_TONE_AMPLITUDE";
// Above anything the bed's silence or dither gives, far below the tone.
constexpr std::int32_t kTonePresent = 1000;
constexpr std::size_t kAnalysedChunks = 12;
// First packets arrive up to 1.5 s after Start under Wine.
constexpr milliseconds kCaptureTimeout{8000};

double NumberFromEnvironment(const char* name) {
  const char* text = std::getenv(name);
  return text == nullptr ? 0 : std::atof(text);
}

bool HasTone(const Chunk& chunk) { return PeakMagnitude(DecodePcm16(chunk)) > kTonePresent; }

// The chunks after the one in which the tone first appears, which may
// still begin with silence.
std::vector<Chunk> ChunksAfterToneOnset(const std::vector<Chunk>& chunks) {
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    if (HasTone(chunks[i])) return std::vector<Chunk>(chunks.begin() + long(i) + 1, chunks.end());
  }
  return {};
}

std::vector<std::int16_t> Concatenated(const std::vector<Chunk>& chunks) {
  std::vector<std::int16_t> samples;
  for (const Chunk& chunk : chunks) {
    const std::vector<std::int16_t> decoded = DecodePcm16(chunk);
    samples.insert(samples.end(), decoded.begin(), decoded.end());
  }
  return samples;
}

TEST(WasapiCapture, RecordsThePlayedToneInWholeChunksWithoutLosingSamples) {
  const double frequency = NumberFromEnvironment(kToneFrequencyVariable);
  const double amplitude = NumberFromEnvironment(kToneAmplitudeVariable);
  ASSERT_GT(frequency, 0) << "no tone: run this test through with_tone.sh (ctest does)";
  ASSERT_GT(amplitude, 0) << "no tone: run this test through with_tone.sh (ctest does)";

  KestroLoopbackCapture capture([] { return CreateWasapiAudioEndpoint(EndpointFlow::kCapture); });
  ChunkCollector collector;
  ASSERT_TRUE(capture.Start(kChunkMs, collector.ChunkCallback(), collector.ErrorCallback()));
  const bool enough = collector.WaitUntil(
      kCaptureTimeout, [](const std::vector<Chunk>& chunks, const std::vector<std::string>& errors) {
        return !errors.empty() || ChunksAfterToneOnset(chunks).size() >= kAnalysedChunks;
      });
  capture.Stop();

  const std::vector<Chunk> chunks = collector.Chunks();
  ASSERT_EQ(collector.Errors(), std::vector<std::string>{});
  ASSERT_TRUE(enough) << chunks.size() << " chunks within " << kCaptureTimeout.count()
                      << " ms, " << ChunksAfterToneOnset(chunks).size()
                      << " of them after the tone appeared";
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].size(), kChunkBytes) << "chunk " << i;
  }

  std::vector<Chunk> analysed = ChunksAfterToneOnset(chunks);
  analysed.resize(kAnalysedChunks);
  const std::vector<std::int16_t> samples = Concatenated(analysed);
  EXPECT_NEAR(ZeroCrossingFrequency(samples, kOutputRate), frequency, 5.0);
  // Both channels carry the tone, so the down-mix keeps its amplitude; full
  // scale is 32767, and a sine's RMS is its amplitude over the root of 2.
  const double expected_rms = amplitude * 32767 / std::sqrt(2.0);
  EXPECT_NEAR(RmsDecibels(samples), 20 * std::log10(expected_rms), 1.0);

  // A sample lost or repeated at a chunk boundary, or anywhere else, turns
  // the tone's phase from one chunk to the next by a whole sample's worth.
  const std::size_t chunk_samples = kChunkBytes / 2;
  const double one_sample_turn = 360 * frequency / kOutputRate;
  double previous_phase = PhaseDegrees(DecodePcm16(analysed[0]), 0, frequency, kOutputRate);
  for (std::size_t i = 1; i < analysed.size(); ++i) {
    const double phase =
        PhaseDegrees(DecodePcm16(analysed[i]), i * chunk_samples, frequency, kOutputRate);
    EXPECT_NEAR(PhaseDifferenceDegrees(phase, previous_phase), 0, one_sample_turn / 4)
        << "from chunk " << i - 1 << " to chunk " << i << " of the analysed ones";
    previous_phase = phase;
  }
}

}  // namespace
}  // namespace kestro
