#include "loopback_capture.h"

#include <chrono>
#include <new>
#include <utility>

#include "pcm_conversion.h"

namespace kestro {
namespace {

constexpr auto kIdleSleep = std::chrono::milliseconds(5);

// The engine whose capture thread this is, if any. Lets Stop recognise a
// call from a callback without reading `capture_thread_`, which Start may
// still be assigning when the new thread's first callback runs.
thread_local const KestroLoopbackCapture* capturing_for = nullptr;

// Whether the mix format carries 32-bit float samples (otherwise 16-bit
// integers are expected).
bool IsFloatFormat(const MixFormat& format) {
  if (format.format_tag == kWaveFormatExtensible) return format.subformat == kSubtypeIeeeFloat;
  return format.format_tag == kWaveFormatIeeeFloat;
}

void CallErrorCallback(const KestroLoopbackCapture::ErrorCallback& callback, const char* message) noexcept {
  if (!callback) return;
  try {
    callback(std::string(message));
  } catch (...) {
    // Neither a failing callback nor a failing copy of the message may end
    // the capture thread abruptly.
  }
}

}  // namespace

KestroLoopbackCapture::KestroLoopbackCapture() : KestroLoopbackCapture(CreateSystemAudioEndpoint) {}

KestroLoopbackCapture::KestroLoopbackCapture(AudioEndpointFactory endpoint_factory)
    : endpoint_factory_(std::move(endpoint_factory)) {}

KestroLoopbackCapture::~KestroLoopbackCapture() {
  Stop();
}

bool KestroLoopbackCapture::Start(std::int32_t chunk_ms, ChunkCallback chunk_callback, ErrorCallback error_callback) {
  if (running_.exchange(true)) return true;
  if (capture_thread_.joinable()) capture_thread_.join();
  std::shared_ptr<const ErrorCallback> error_holder;
  try {
    error_holder = std::make_shared<const ErrorCallback>(std::move(error_callback));
    auto chunk_holder = std::make_shared<const ChunkCallback>(std::move(chunk_callback));
    {
      std::lock_guard<std::mutex> lock(callback_mutex_);
      on_chunk_ = std::move(chunk_holder);
      on_error_ = error_holder;
    }
    read_position_ = 0;
    mono_input_.clear();
    pending_output_.clear();
    stopped_by_callback_ = false;
    capture_thread_ = std::thread(&KestroLoopbackCapture::RunCaptureThread, this, chunk_ms);
    return true;
  } catch (...) {
    running_.store(false);
    // To this Start's callback, even when no holder could be made for it
    // (then it was never moved from).
    CallErrorCallback(error_holder ? *error_holder : error_callback, "Failed to start capture thread");
    return false;
  }
}

void KestroLoopbackCapture::Stop() {
  running_.exchange(false);
  if (capturing_for == this) {
    // Called from a callback: the thread cannot join itself. It ends when
    // the callback returns, and a later Start or Stop joins it.
    stopped_by_callback_ = true;
    return;
  }
  if (capture_thread_.joinable()) capture_thread_.join();
}

void KestroLoopbackCapture::RunCaptureThread(std::int32_t chunk_ms) {
  capturing_for = this;
  try {
    CaptureLoop(chunk_ms);
  } catch (const std::bad_alloc&) {
    // The endpoint is already torn down by the unwinding.
    running_.store(false);
    ReportError("Capture stopped: out of memory");
  } catch (...) {
    running_.store(false);
    ReportError("Capture stopped: unexpected failure");
  }
}

void KestroLoopbackCapture::CaptureLoop(std::int32_t chunk_ms) {
  std::unique_ptr<AudioEndpoint> endpoint = endpoint_factory_ ? endpoint_factory_() : nullptr;
  if (!endpoint) {
    ReportError("WASAPI: failed to create MMDeviceEnumerator");
    return;
  }
  // Neither failure is an error: only the later steps decide.
  endpoint->RegisterThread();
  endpoint->EnterApartment();
  if (!OpenStream(*endpoint)) return;
  PollPackets(*endpoint, ChunkSamples(chunk_ms), ResampleStep(sample_rate_));
}  // destroying the endpoint tears the session down

bool KestroLoopbackCapture::OpenStream(AudioEndpoint& endpoint) {
  if (!endpoint.CreateEnumerator()) {
    ReportError("WASAPI: failed to create MMDeviceEnumerator");
    return false;
  }
  if (!endpoint.GetDefaultDevice()) {
    ReportError("WASAPI: failed to get default output device");
    return false;
  }
  if (!endpoint.ActivateClient()) {
    ReportError("WASAPI: failed to activate IAudioClient");
    return false;
  }
  MixFormat format;
  if (!endpoint.GetMixFormat(format)) {
    ReportError("WASAPI: GetMixFormat failed");
    return false;
  }
  if (!AcceptMixFormat(endpoint, format)) return false;
  if (!endpoint.Initialize()) {
    ReportError("WASAPI: Initialize(loopback) failed");
    return false;
  }
  if (!endpoint.GetCaptureClient()) {
    ReportError("WASAPI: GetService(IAudioCaptureClient) failed");
    return false;
  }
  if (!endpoint.StartClient()) {
    ReportError("WASAPI: Start failed");
    return false;
  }
  return true;
}

bool KestroLoopbackCapture::AcceptMixFormat(AudioEndpoint& endpoint, const MixFormat& format) {
  sample_rate_ = static_cast<std::int32_t>(format.samples_per_second);
  channel_count_ = format.channels;
  is_float_ = IsFloatFormat(format);
  const char* rejection = nullptr;
  if (is_float_ && format.bits_per_sample != 32) {
    rejection = "WASAPI: unsupported float bit depth";
  } else if (!is_float_ && format.bits_per_sample != 16) {
    rejection = "WASAPI: unsupported PCM bit depth";
  } else if (sample_rate_ <= 0) {
    // No resampling step exists for it: 0 would never advance and a rate
    // beyond 32 bits would read before the input.
    rejection = "WASAPI: unsupported sample rate";
  }
  if (rejection == nullptr) return true;
  endpoint.FreeMixFormat();
  ReportError(rejection);
  return false;
}

void KestroLoopbackCapture::PollPackets(AudioEndpoint& endpoint, std::int32_t chunk_samples, double step) {
  const KeepRunning keep_running = [this] { return KeepCapturing(); };
  const ChunkBlockSink sink = [this](std::vector<std::int16_t> block) { EmitChunk(std::move(block)); };
  const ResamplerState state{read_position_, mono_input_, pending_output_};
  while (KeepCapturing()) {
    std::uint32_t waiting = 0;
    if (!endpoint.GetNextPacketSize(waiting)) {
      ReportError("WASAPI: GetNextPacketSize failed");
      return;
    }
    if (waiting == 0) {
      std::this_thread::sleep_for(kIdleSleep);
      continue;
    }
    while (waiting != 0 && KeepCapturing()) {
      AudioPacket packet;
      // `running_` is cleared before the report, so that an owner reacting
      // to the message can start again at once.
      if (!endpoint.GetBuffer(packet)) {
        running_.store(false);
        ReportError("WASAPI: GetBuffer failed");
        return;
      }
      DownMixPacket(packet, channel_count_, is_float_, mono_input_);
      endpoint.ReleaseBuffer(packet.frames);
      Resample(step, chunk_samples, keep_running, state, sink);
      if (!endpoint.GetNextPacketSize(waiting)) {
        running_.store(false);
        ReportError("WASAPI: GetNextPacketSize failed (inner)");
        return;
      }
    }
  }
}

bool KestroLoopbackCapture::KeepCapturing() const {
  return !stopped_by_callback_ && running_.load();
}

void KestroLoopbackCapture::EmitChunk(std::vector<std::int16_t> block) {
  std::vector<std::uint8_t> bytes = ChunkBytes(block);
  std::shared_ptr<const ChunkCallback> callback;
  {
    std::lock_guard<std::mutex> lock(callback_mutex_);
    callback = on_chunk_;
  }
  if (!callback || !*callback) return;
  try {
    (*callback)(std::move(bytes));
  } catch (...) {
    // The callback's own failure loses only its chunk; capture goes on.
  }
}

void KestroLoopbackCapture::ReportError(const char* message) noexcept {
  std::shared_ptr<const ErrorCallback> callback;
  {
    std::lock_guard<std::mutex> lock(callback_mutex_);
    callback = on_error_;
  }
  if (callback) CallErrorCallback(*callback, message);
}

}  // namespace kestro
