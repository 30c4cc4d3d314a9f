// Collects what a capture engine hands its callbacks, for tests that wait
// on the capture thread.
#ifndef KESTRO_TESTS_NATIVE_AUDIO_CAPTURE_PROBE_H_
#define KESTRO_TESTS_NATIVE_AUDIO_CAPTURE_PROBE_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loopback_capture.h"
#include "recorded_audio_endpoint.h"

namespace kestro::testing {

inline constexpr std::chrono::milliseconds kPatience{10000};

class CaptureProbe {
 public:
  CaptureProbe();

  // Callbacks that record into this probe; they stay valid after it goes.
  KestroLoopbackCapture::ChunkCallback OnChunk(std::function<void()> after_each = {});
  KestroLoopbackCapture::ErrorCallback OnError();

  bool WaitForError();
  bool WaitForChunks(std::size_t count);
  std::vector<std::vector<std::uint8_t>> Chunks() const;
  std::vector<std::string> Errors() const;
  // Every chunk's samples, decoded, in order.
  std::vector<std::int16_t> Samples() const;

 private:
  struct Record;
  std::shared_ptr<Record> record;
};

MixFormat FloatFormat(std::uint32_t rate, std::uint16_t channels);
MixFormat Int16Format(std::uint32_t rate, std::uint16_t channels);
MixFormat ExtensibleFormat(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits, const FormatGuid& subformat);

// Captures the whole recording with chunks of chunk_ms and returns the
// samples of every chunk emitted; fails the test on an error or a timeout.
std::vector<std::int16_t> CaptureAll(const AudioRecording& recording, std::int32_t chunk_ms,
                                     std::vector<std::vector<std::uint8_t>>* chunks = nullptr,
                                     CaptureOptions options = {});

// Runs a capture that is expected to fail and returns its one error.
std::string FirstError(const AudioRecording& recording);

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_AUDIO_CAPTURE_PROBE_H_
