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
#include "capture_status.h"
#include "filtered_resampler.h"
#include "pcm_conversion.h"
#include "platform_failure_log.h"

namespace kestro {

struct CaptureOptions {
  // While the device delivers nothing, silence keeps the chunks coming at
  // the wall-clock rate, so that chunk k starts k chunk lengths after the
  // stream started.
  bool keep_alive = false;
  // When the default output device changes or the device in use is lost,
  // or a capture step fails, capture re-opens on the current default device
  // and goes on. Without it, such a failure ends capture.
  bool follow_default_device = false;
  // Capture the whole system mix except what this process tree plays
  // (process loopback); where that cannot be had, capture falls back to the
  // default device's loopback and the status says why.
  bool exclude_own_audio = false;
  // kHigh low-pass filters before resampling, so that nothing above 8 kHz
  // folds into the chunks.
  ConversionQuality quality = ConversionQuality::kStandard;
};

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
  bool Start(std::int32_t chunk_ms, ChunkCallback on_chunk, ErrorCallback on_error, CaptureOptions options = {});

  // Ends the capture and joins its thread. Samples not yet emitted are lost;
  // the callbacks stay installed.
  void Stop();

  // What the engine is doing; shared so that a chunk callback can count
  // whether its chunk reached anyone.
  const std::shared_ptr<CaptureStatus>& status() const { return status_; }

 private:
  void RunCaptureThread(std::int32_t chunk_ms, CaptureOptions options);
  void CaptureLoop(std::int32_t chunk_ms, CaptureOptions options);
  // A device is lost by a notification (changed) or by a failing step.
  enum class PollEnd { kStopped, kFailed, kDeviceChanged, kDeviceFailed };
  // What keep-alive needs to date the stream, also while no device is open.
  struct Timeline {
    AudioEndpoint::Clock::time_point start;
    std::int32_t chunk_samples = 1;
    bool keep_alive = false;
  };

  // Makes an endpoint and opens its stream; false (with the failure
  // reported) when a step fails. `endpoint` is left set whenever one was made.
  bool OpenEndpoint(bool watch_devices, std::unique_ptr<AudioEndpoint>& endpoint);
  // A new endpoint, registered and in its apartment; null (reported) when
  // none can be made.
  std::unique_ptr<AudioEndpoint> MakeEndpoint();
  // Opens process loopback on the endpoint and records the outcome; false
  // when the endpoint is to be dropped for device loopback.
  bool OpenProcessLoopback(AudioEndpoint& endpoint);
  // Tears the lost session down and opens the current default device,
  // retrying until it opens or capture stops (then null).
  std::unique_ptr<AudioEndpoint> ReopenEndpoint(std::unique_ptr<AudioEndpoint> lost, const Timeline& timeline);
  // The pause between attempts to open a device, on `endpoint`'s clock when
  // there is one; keep-alive goes on through it.
  void WaitBeforeRetry(AudioEndpoint* endpoint, const Timeline& timeline);
  bool OpenStream(AudioEndpoint& endpoint);
  bool AcceptMixFormat(AudioEndpoint& endpoint, const MixFormat& format);
  PollEnd PollPackets(AudioEndpoint& endpoint, double step, CaptureOptions options, const Timeline& timeline);
  // How a failed packet step ends polling: reported, or a lost device.
  PollEnd PacketStepFailed(AudioEndpoint& endpoint, CaptureOptions options, const char* message, bool clear_running);
  // Fills the stream with silence up to the endpoint's clock when it has
  // fallen behind by more than half a chunk.
  void KeepAlive(AudioEndpoint::Clock::time_point now, const Timeline& timeline);
  bool KeepCapturing() const;
  void EmitChunk(std::vector<std::uint8_t> bytes);
  // Records the failure in the status, clears `running_` when asked (after
  // the status, so that a Start it lets in is not marked failed), then
  // tells the error callback.
  void Fail(const char* message, std::optional<std::uint32_t> result_code = std::nullopt,
            bool clear_running = false) noexcept;
  void FailStep(AudioEndpoint& endpoint, const char* message, bool clear_running = false) noexcept;

  const AudioEndpointFactory endpoint_factory_;
  const std::shared_ptr<CaptureStatus> status_ = std::make_shared<CaptureStatus>();

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
  // The conversion of ConversionQuality::kHigh; designed per run for its rate.
  FilteredResampler filtered_;
  std::uint64_t chunks_cut_ = 0;
  // Set when a callback calls Stop: the loop must end even if a later Start
  // sets `running_` again before the loop has seen it clear.
  bool stopped_by_callback_ = false;
  // While re-opening, a failure is recorded but the capture goes on.
  bool reopening_ = false;
  // The lines of the endpoints' failing calls, one per call while a lost
  // device is being re-opened.
  PlatformFailureLog failure_log_;
  // This run tries process loopback: asked for, and not yet refused.
  bool try_exclusion_ = false;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_LOOPBACK_CAPTURE_H_
