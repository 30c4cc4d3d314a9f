// Loopback capture of what the computer plays, delivered as chunks of
// 16000 Hz mono signed 16-bit little-endian PCM.
#ifndef KESTRO_SERVICES_LOOPBACK_CAPTURE_H_
#define KESTRO_SERVICES_LOOPBACK_CAPTURE_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio_endpoint.h"

namespace kestro {

// Owns one capture thread per running capture: it opens the endpoint,
// polls it for packets and converts them. The owner's thread only starts
// and stops it. Callbacks run on the capture thread with no lock held; they
// may call Stop, but must not destroy the engine.
class KestroLoopbackCapture {
 public:
  using ChunkCallback = std::function<void(std::vector<std::uint8_t> chunk)>;
  using ErrorCallback = std::function<void(const std::string& message)>;

  // Captures from the system's default output device.
  KestroLoopbackCapture();
  // Captures from the endpoints that `endpoint_factory` makes, one per run,
  // on the capture thread.
  explicit KestroLoopbackCapture(AudioEndpointFactory endpoint_factory);
  ~KestroLoopbackCapture();

  KestroLoopbackCapture(const KestroLoopbackCapture&) = delete;
  KestroLoopbackCapture& operator=(const KestroLoopbackCapture&) = delete;

  // Launches the capture thread and returns at once; device failures arrive
  // later through on_error. While a capture is open (or ended by itself with
  // the flag still set) it changes nothing, drops the given callbacks and
  // returns true. Returns false only when no thread can be launched.
  bool Start(std::int32_t chunk_ms, ChunkCallback on_chunk, ErrorCallback on_error);

  // Ends the capture and joins its thread. Samples not yet emitted are lost;
  // the callbacks stay installed.
  void Stop();

 private:
  void RunCaptureThread(std::int32_t chunk_ms);
  void CaptureLoop(std::int32_t chunk_ms);
  bool OpenStream(AudioEndpoint& endpoint);
  bool AcceptMixFormat(AudioEndpoint& endpoint, const MixFormat& format);
  void PollPackets(AudioEndpoint& endpoint, std::int32_t chunk_samples, double step);
  bool KeepCapturing() const;
  void EmitChunk(std::vector<std::int16_t> block);
  void ReportError(const char* message) noexcept;

  const AudioEndpointFactory endpoint_factory_;

  std::atomic<bool> running_{false};
  std::thread capture_thread_;
  std::mutex callback_mutex_;
  // Held through shared pointers so that the capture thread takes its copy
  // under the lock without allocating.
  std::shared_ptr<const ChunkCallback> on_chunk_;
  std::shared_ptr<const ErrorCallback> on_error_;

  // Capture thread only while it runs; Start resets them before launching.
  std::int32_t sample_rate_ = 48000;
  std::int32_t channel_count_ = 2;
  bool is_float_ = true;
  double read_position_ = 0;
  std::vector<float> mono_input_;
  std::vector<std::int16_t> pending_output_;
  // Set when a callback calls Stop: the loop must end even if a later Start
  // sets `running_` again before the loop has seen it clear.
  bool stopped_by_callback_ = false;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_LOOPBACK_CAPTURE_H_
