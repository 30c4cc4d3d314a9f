#include "loopback_capture.h"

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <new>
#include <string>
#include <utility>

#include "kestro/platform/diagnostics.h"

namespace kestro {
namespace {

constexpr auto kIdleSleep = std::chrono::milliseconds(5);
// Between attempts to re-open a lost device: a few within the second.
constexpr auto kReopenRetry = std::chrono::milliseconds(200);

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

// One step of opening a stream, and the failure it is reported as (null:
// the step names or reports its failure itself).
struct OpenStep {
  const char* failure;
  std::function<bool()> run;
};

// Runs the steps in order up to the first that fails; its failure, or
// nothing when all succeeded.
std::optional<const char*> FirstFailingStep(std::initializer_list<OpenStep> steps) {
  for (const OpenStep& step : steps) {
    if (!step.run()) return step.failure;
  }
  return std::nullopt;
}

}  // namespace

KestroLoopbackCapture::KestroLoopbackCapture() : KestroLoopbackCapture(CreateSystemAudioEndpoint) {}

KestroLoopbackCapture::KestroLoopbackCapture(AudioEndpointFactory endpoint_factory)
    : endpoint_factory_(std::move(endpoint_factory)) {}

KestroLoopbackCapture::~KestroLoopbackCapture() {
  Stop();
}

bool KestroLoopbackCapture::Start(std::int32_t chunk_ms, ChunkCallback chunk_callback, ErrorCallback error_callback,
                                  CaptureOptions options) {
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
    chunks_cut_ = 0;
    stopped_by_callback_ = false;
    status_->BeginRun();
    capture_thread_ = std::thread(&KestroLoopbackCapture::RunCaptureThread, this, chunk_ms, options);
    return true;
  } catch (...) {
    status_->SetFailed("Failed to start capture thread", std::nullopt);
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
    status_->SetStopped();
    return;
  }
  if (capture_thread_.joinable()) capture_thread_.join();
  status_->SetStopped();
}

void KestroLoopbackCapture::RunCaptureThread(std::int32_t chunk_ms, CaptureOptions options) {
  capturing_for = this;
  try {
    CaptureLoop(chunk_ms, options);
  } catch (const std::bad_alloc&) {
    // The endpoint is already torn down by the unwinding.
    reopening_ = false;
    Fail("Capture stopped: out of memory", std::nullopt, true);
  } catch (...) {
    reopening_ = false;
    Fail("Capture stopped: unexpected failure", std::nullopt, true);
  }
}

void KestroLoopbackCapture::CaptureLoop(std::int32_t chunk_ms, CaptureOptions options) {
  reopening_ = false;
  // A run that ended by an exception may have left an outage open.
  failure_log_ = PlatformFailureLog{};
  try_exclusion_ = options.exclude_own_audio;
  std::unique_ptr<AudioEndpoint> endpoint;
  if (!OpenEndpoint(options.follow_default_device, endpoint)) return;
  status_->SetCapturing();
  if (options.quality == ConversionQuality::kHigh && FilteredResampler::Supports(sample_rate_)) {
    filtered_.Configure(sample_rate_);
  }
  // Every endpoint reads the same clock, so the timeline outlives a switch.
  const Timeline timeline{endpoint->Now(), ChunkSamples(chunk_ms), options.keep_alive};
  for (;;) {
    const PollEnd end = PollPackets(*endpoint, ResampleStep(sample_rate_), options, timeline);
    if (end != PollEnd::kDeviceChanged && end != PollEnd::kDeviceFailed) return;
    failure_log_.BeginOutage();
    // A device that opens but keeps failing must not make this a busy loop.
    if (end == PollEnd::kDeviceFailed) WaitBeforeRetry(endpoint.get(), timeline);
    endpoint = ReopenEndpoint(std::move(endpoint), timeline);
    if (!endpoint) return;
    status_->CountDeviceSwitch();
    status_->SetRecovered();
  }
}  // destroying the endpoint tears the session down

bool KestroLoopbackCapture::OpenEndpoint(bool watch_devices, std::unique_ptr<AudioEndpoint>& endpoint) {
  endpoint = MakeEndpoint();
  if (!endpoint) return false;
  if (try_exclusion_) {
    if (OpenProcessLoopback(*endpoint)) return true;
    // Device loopback exactly as without the option, on a fresh endpoint.
    endpoint.reset();
    endpoint = MakeEndpoint();
    if (!endpoint) return false;
  }
  if (!OpenStream(*endpoint)) return false;
  // Without notifications a lost device still shows as a failing step.
  if (watch_devices) endpoint->WatchDevices();
  return true;
}

std::unique_ptr<AudioEndpoint> KestroLoopbackCapture::MakeEndpoint() {
  std::unique_ptr<AudioEndpoint> endpoint = endpoint_factory_ ? endpoint_factory_() : nullptr;
  if (!endpoint) {
    Fail("WASAPI: failed to create MMDeviceEnumerator");
    return nullptr;
  }
  endpoint->ReportFailuresTo(&failure_log_);
  // Neither failure is an error: only the later steps decide.
  endpoint->RegisterThread();
  endpoint->EnterApartment();
  status_->SetOsBuild(endpoint->OsBuild());
  return endpoint;
}

bool KestroLoopbackCapture::OpenProcessLoopback(AudioEndpoint& endpoint) {
  const char* activation_call = nullptr;
  const std::optional<const char*> failed = FirstFailingStep({
      {nullptr, [&] { return endpoint.ActivateProcessLoopback(activation_call); }},
      {"IAudioClient::Initialize", [&] { return endpoint.InitializeProcessLoopback(kProcessLoopbackFormat); }},
      {"IAudioClient::GetService", [&] { return endpoint.GetCaptureClient(); }},
      {"IAudioClient::Start", [&] { return endpoint.StartClient(); }},
  });
  if (!failed) {
    // Bound to no device, it follows the default by itself; "device" stays
    // null as there is none.
    AcceptMixFormat(endpoint, kProcessLoopbackFormat);
    status_->SetExclusion(true);
    return true;
  }
  const char* failed_call = *failed != nullptr ? *failed : activation_call;
  if (failed_call == nullptr) failed_call = "ActivateAudioInterfaceAsync";
  std::optional<std::uint32_t> code;
  try {
    code = endpoint.LastFailureCode();
  } catch (...) {
    // Reported without its code.
  }
  // Once refused, the run stays on device loopback, re-opens included:
  // never report exclusion that is not in effect.
  try_exclusion_ = false;
  status_->SetExclusion(false, failed_call, code);
  return false;
}

std::unique_ptr<AudioEndpoint> KestroLoopbackCapture::ReopenEndpoint(std::unique_ptr<AudioEndpoint> lost,
                                                                      const Timeline& timeline) {
  const StreamFormat before{sample_rate_, channel_count_, is_float_};
  lost.reset();
  reopening_ = true;
  status_->SetReopening();
  std::unique_ptr<AudioEndpoint> endpoint;
  int failed_attempts = 0;
  while (KeepCapturing()) {
    if (OpenEndpoint(true, endpoint)) break;
    ++failed_attempts;
    WaitBeforeRetry(endpoint.get(), timeline);
    endpoint.reset();
  }
  failure_log_.EndOutage(KeepCapturing() ? failed_attempts : 0);
  reopening_ = false;
  if (!KeepCapturing()) return nullptr;
  // Input of another format cannot be resampled with the old; the output
  // already made stays and the chunks go on from it.
  if (before.sample_rate != sample_rate_ || before.channels != channel_count_ || before.is_float != is_float_) {
    mono_input_.clear();
    read_position_ = 0;
  }
  return endpoint;
}

void KestroLoopbackCapture::WaitBeforeRetry(AudioEndpoint* endpoint, const Timeline& timeline) {
  const auto wait = [endpoint](AudioEndpoint::Clock::duration duration) {
    if (endpoint != nullptr) {
      endpoint->WaitForPacket(duration);
    } else {
      std::this_thread::sleep_for(duration);
    }
  };
  if (!timeline.keep_alive) {
    wait(kReopenRetry);
    return;
  }
  const auto now = [endpoint] { return endpoint != nullptr ? endpoint->Now() : AudioEndpoint::Clock::now(); };
  // In the polling loop's steps, so that chunks keep the clock's pace
  // however long the device stays away.
  for (auto waited = AudioEndpoint::Clock::duration::zero(); waited < kReopenRetry && KeepCapturing();
       waited += kIdleSleep) {
    KeepAlive(now(), timeline);
    wait(kIdleSleep);
  }
  KeepAlive(now(), timeline);
}

bool KestroLoopbackCapture::OpenStream(AudioEndpoint& endpoint) {
  MixFormat format;
  const std::optional<const char*> failed = FirstFailingStep({
      {"WASAPI: failed to create MMDeviceEnumerator", [&] { return endpoint.CreateEnumerator(); }},
      {"WASAPI: failed to get default output device",
       [&] {
         if (!endpoint.GetDefaultDevice()) return false;
         std::string device = endpoint.DeviceName();
         if (!device.empty()) status_->SetDevice(std::move(device));
         return true;
       }},
      {"WASAPI: failed to activate IAudioClient", [&] { return endpoint.ActivateClient(); }},
      {"WASAPI: GetMixFormat failed", [&] { return endpoint.GetMixFormat(format); }},
      {nullptr, [&] { return AcceptMixFormat(endpoint, format); }},
      {"WASAPI: Initialize(loopback) failed", [&] { return endpoint.Initialize(); }},
      {"WASAPI: GetService(IAudioCaptureClient) failed", [&] { return endpoint.GetCaptureClient(); }},
      {"WASAPI: Start failed", [&] { return endpoint.StartClient(); }},
  });
  if (!failed) return true;
  if (*failed != nullptr) FailStep(endpoint, *failed);
  return false;
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
  if (rejection == nullptr) {
    status_->SetFormat(StreamFormat{sample_rate_, channel_count_, is_float_});
    return true;
  }
  endpoint.FreeMixFormat();
  Fail(rejection);
  return false;
}

KestroLoopbackCapture::PollEnd KestroLoopbackCapture::PollPackets(AudioEndpoint& endpoint, double step,
                                                                  CaptureOptions options, const Timeline& timeline) {
  const std::int32_t chunk_samples = timeline.chunk_samples;
  const KeepRunning keep_running = [this] { return KeepCapturing(); };
  const ChunkSink sink = [this](std::vector<std::uint8_t> chunk) { EmitChunk(std::move(chunk)); };
  const ResamplerState state{read_position_, mono_input_, pending_output_};
  const auto device_lost = [&] { return options.follow_default_device && endpoint.DevicesChanged(); };
  if (options.quality == ConversionQuality::kHigh && !FilteredResampler::Supports(sample_rate_)) {
    WriteDiagnosticLine("Warning: quality \"high\" does not take " + std::to_string(sample_rate_) +
                        " Hz; converting with the standard quality");
    options.quality = ConversionQuality::kStandard;
    status_->SetQuality("standard");
  } else if (options.quality == ConversionQuality::kHigh) {
    status_->SetQuality("high");
  }
  // A new device at another rate starts the filter afresh; at the same
  // rate its history goes on, as the default conversion's input does.
  if (options.quality == ConversionQuality::kHigh && filtered_.sample_rate() != sample_rate_) {
    filtered_.Configure(sample_rate_);
  }
  while (KeepCapturing()) {
    if (device_lost()) return PollEnd::kDeviceChanged;
    std::uint32_t waiting = 0;
    if (!endpoint.GetNextPacketSize(waiting)) {
      return PacketStepFailed(endpoint, options, "WASAPI: GetNextPacketSize failed", false);
    }
    if (waiting == 0) {
      if (options.keep_alive) KeepAlive(endpoint.Now(), timeline);
      endpoint.WaitForPacket(kIdleSleep);
      continue;
    }
    while (waiting != 0 && KeepCapturing()) {
      // A change noticed during a packet takes effect after it.
      if (device_lost()) return PollEnd::kDeviceChanged;
      AudioPacket packet;
      // `running_` is cleared before the report, so that an owner reacting
      // to the message can start again at once.
      if (!endpoint.GetBuffer(packet)) {
        return PacketStepFailed(endpoint, options, "WASAPI: GetBuffer failed", true);
      }
      status_->CountPacketFlags(packet.flags);
      if (options.quality == ConversionQuality::kHigh) {
        // It reads the packet as it goes, so the release comes after.
        filtered_.Convert(packet, channel_count_, is_float_, chunk_samples, keep_running, pending_output_, sink);
        endpoint.ReleaseBuffer(packet.frames);
      } else {
        DownMixPacket(packet, channel_count_, is_float_, mono_input_);
        endpoint.ReleaseBuffer(packet.frames);
        Resample(step, chunk_samples, keep_running, state, sink);
      }
      if (!endpoint.GetNextPacketSize(waiting)) {
        return PacketStepFailed(endpoint, options, "WASAPI: GetNextPacketSize failed (inner)", true);
      }
    }
  }
  return PollEnd::kStopped;
}

KestroLoopbackCapture::PollEnd KestroLoopbackCapture::PacketStepFailed(AudioEndpoint& endpoint, CaptureOptions options,
                                                                       const char* message, bool clear_running) {
  // A device that goes away fails its next step, whether or not a
  // notification came first.
  if (options.follow_default_device) return PollEnd::kDeviceFailed;
  FailStep(endpoint, message, clear_running);
  return PollEnd::kFailed;
}

void KestroLoopbackCapture::KeepAlive(AudioEndpoint::Clock::time_point now, const Timeline& timeline) {
  const std::int32_t chunk_samples = timeline.chunk_samples;
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - timeline.start).count();
  if (elapsed <= 0) return;
  const std::uint64_t due = static_cast<std::uint64_t>(elapsed) * kOutputSampleRate / 1000000;
  const std::uint64_t chunk = static_cast<std::uint64_t>(chunk_samples);
  const std::uint64_t produced = chunks_cut_ * chunk + pending_output_.size();
  // Half a chunk lies well above the jitter of packets that keep coming
  // (a packet is about 10 ms) and keeps the stream, filled up at the next
  // 5 ms poll, less than a chunk behind the clock.
  if (due <= produced + chunk / 2) return;
  const std::uint64_t silence = due - produced;
  status_->CountSilence(silence);
  AppendSilence(
      silence, chunk_samples, [this] { return KeepCapturing(); }, pending_output_,
      [this](std::vector<std::uint8_t> chunk) { EmitChunk(std::move(chunk)); });
}

bool KestroLoopbackCapture::KeepCapturing() const {
  return !stopped_by_callback_ && running_.load();
}

void KestroLoopbackCapture::EmitChunk(std::vector<std::uint8_t> bytes) {
  ++chunks_cut_;
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

void KestroLoopbackCapture::FailStep(AudioEndpoint& endpoint, const char* message, bool clear_running) noexcept {
  std::optional<std::uint32_t> code;
  try {
    code = endpoint.LastFailureCode();
  } catch (...) {
    // Without its code the failure is still reported.
  }
  Fail(message, code, clear_running);
}

void KestroLoopbackCapture::Fail(const char* message, std::optional<std::uint32_t> result_code,
                                 bool clear_running) noexcept {
  try {
    if (reopening_) {
      status_->SetRetrying(message, result_code);
    } else {
      status_->SetFailed(message, result_code);
    }
  } catch (...) {
    // Only the copy of the message can fail; the callback still hears it.
  }
  if (clear_running) running_.store(false);
  std::shared_ptr<const ErrorCallback> callback;
  {
    std::lock_guard<std::mutex> lock(callback_mutex_);
    callback = on_error_;
  }
  if (callback) CallErrorCallback(*callback, message);
}

}  // namespace kestro
