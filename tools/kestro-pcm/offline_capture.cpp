#include "offline_capture.h"

#include <chrono>
#include <limits>
#include <mutex>
#include <utility>

#include "loopback_capture.h"
#include "pcm_conversion.h"
#include "wav_file_endpoint.h"

namespace kestro::pcm {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

}  // namespace

std::uint64_t LeastOutputBytes(const WavHeader& header, std::int32_t chunk_ms) {
  constexpr auto kHighestRate = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
  const std::uint32_t rate = header.format.samples_per_second;
  if (rate == 0 || rate > kHighestRate || header.frames() < 2) return 0;
  // One output sample per step of the rate between the first and the last
  // frame; of those, all but a partial chunk are emitted.
  const std::uint64_t samples = (header.frames() - 1ull) * kOutputSampleRate / rate;
  const std::uint64_t held_back = static_cast<std::uint64_t>(ChunkSamples(chunk_ms)) + 1;
  return samples > held_back ? 2 * (samples - held_back) : 0;
}

OfflineCapture RunCapture(std::istream& file, const WavHeader& header, std::int32_t chunk_ms,
                          std::uint32_t packet_frames, WavWriter& writer, CaptureOptions options) {
  WavFileSource source(file, header, packet_frames);
  std::mutex mutex;
  OfflineCapture result;
  {
    KestroLoopbackCapture capture(source.Factory());
    auto on_chunk = [&](std::vector<std::uint8_t> chunk) {
      std::lock_guard<std::mutex> lock(mutex);
      if (!result.error.empty()) return;
      if (!writer.Append(chunk)) {
        result.error = "cannot write " + writer.path() + " (disk full, or beyond the 4 GB a WAV file can hold)";
        return;
      }
      ++result.chunks;
      result.samples += chunk.size() / 2;
    };
    auto on_error = [&](const std::string& message) {
      std::lock_guard<std::mutex> lock(mutex);
      if (result.error.empty()) result.error = message;
    };
    // A failed Start reports through on_error as well.
    if (capture.Start(chunk_ms, on_chunk, on_error, options)) {
      while (!source.WaitUntilDrained(kPollInterval)) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!result.error.empty()) break;
      }
    }
  }  // stops capture and joins its thread
  // The engine's message for it says only that GetBuffer failed.
  if (source.ReadFailed()) result.error = "cannot read the samples (the file changed or a read failed)";
  result.ok = result.error.empty();
  return result;
}

}  // namespace kestro::pcm
