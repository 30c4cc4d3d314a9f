#include "offline_capture.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

#include "loopback_capture.h"
#include "recorded_audio_endpoint.h"

namespace kestro::pcm {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

AudioRecording PacketsOf(WavAudio audio, std::uint32_t packet_frames) {
  AudioRecording recording;
  recording.format = audio.format;
  if (packet_frames == 0) packet_frames = std::max<std::uint32_t>(1, audio.format.samples_per_second / 100);
  const std::size_t frames = audio.data.size() / audio.block_align;
  for (std::size_t first = 0; first < frames; first += packet_frames) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(packet_frames, frames - first));
    recording.packets.push_back(RecordedPacket{first * audio.block_align, count, 0, false});
  }
  recording.stream = std::move(audio.data);
  return recording;
}

}  // namespace

OfflineCapture RunCapture(WavAudio audio, std::int32_t chunk_ms, std::uint32_t packet_frames,
                          WavWriter& writer) {
  RecordedAudioSource source(PacketsOf(std::move(audio), packet_frames));
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
    if (capture.Start(chunk_ms, on_chunk, on_error)) {
      while (!source.WaitUntilDrained(kPollInterval)) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!result.error.empty()) break;
      }
    }
  }  // stops capture and joins its thread
  result.ok = result.error.empty();
  return result;
}

}  // namespace kestro::pcm
