#include "recorded_audio_endpoint.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <thread>
#include <utility>

namespace kestro {
namespace {

constexpr std::size_t kStepCount = static_cast<std::size_t>(EndpointStep::kInitializeProcessLoopback) + 1;

std::uint32_t FramesOf(std::size_t samples, std::uint16_t channels) {
  return static_cast<std::uint32_t>(samples / std::max<std::size_t>(1, channels));
}

}  // namespace

const char* EndpointStepName(EndpointStep step) {
  switch (step) {
    case EndpointStep::kRegisterThread:
      return "RegisterThread";
    case EndpointStep::kEnterApartment:
      return "EnterApartment";
    case EndpointStep::kCreateEnumerator:
      return "CreateEnumerator";
    case EndpointStep::kGetDefaultDevice:
      return "GetDefaultDevice";
    case EndpointStep::kActivateClient:
      return "ActivateClient";
    case EndpointStep::kGetMixFormat:
      return "GetMixFormat";
    case EndpointStep::kInitialize:
      return "Initialize";
    case EndpointStep::kGetCaptureClient:
      return "GetCaptureClient";
    case EndpointStep::kStartClient:
      return "StartClient";
    case EndpointStep::kGetNextPacketSize:
      return "GetNextPacketSize";
    case EndpointStep::kGetBuffer:
      return "GetBuffer";
    case EndpointStep::kReleaseBuffer:
      return "ReleaseBuffer";
    case EndpointStep::kActivateProcessLoopback:
      return "ActivateProcessLoopback";
    case EndpointStep::kInitializeProcessLoopback:
      return "InitializeProcessLoopback";
  }
  return "?";
}

void AudioRecording::AddBytesPacket(const std::uint8_t* bytes, std::size_t size, std::uint32_t frames,
                                    std::uint32_t flags) {
  packets.push_back(RecordedPacket{stream.size(), frames, flags, false});
  stream.insert(stream.end(), bytes, bytes + size);
}

void AudioRecording::AddFloatPacket(const std::vector<float>& samples, std::uint32_t flags) {
  AddBytesPacket(reinterpret_cast<const std::uint8_t*>(samples.data()), samples.size() * sizeof(float),
                 FramesOf(samples.size(), format.channels), flags);
}

void AudioRecording::AddInt16Packet(const std::vector<std::int16_t>& samples, std::uint32_t flags) {
  AddBytesPacket(reinterpret_cast<const std::uint8_t*>(samples.data()), samples.size() * sizeof(std::int16_t),
                 FramesOf(samples.size(), format.channels), flags);
}

void AudioRecording::AddNullPacket(std::uint32_t frames) {
  packets.push_back(RecordedPacket{stream.size(), frames, 0, true});
}

struct RecordedAudioSource::State {
  explicit State(AudioRecording recording)
      : recording(std::move(recording)), available(this->recording.packets.size()) {
    // Each packet is handed over once at most: noting it never allocates
    // on the capture thread.
    handed_over.reserve(this->recording.packets.size());
  }

  // Counts a call of `step` and tells whether it is the one that fails.
  bool Fails(EndpointStep step) {
    std::lock_guard<std::mutex> lock(mutex);
    const int earlier = calls[static_cast<std::size_t>(step)]++;
    const auto& failure = recording.failure;
    if (!failure || failure->step != step || earlier < failure->successes ||
        earlier >= failure->successes + failure->repeats) {
      return false;
    }
    if (failure->throws) throw std::bad_alloc();
    last_failure_code = failure->code;
    return true;
  }

  void Append(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back(std::move(entry));
  }

  const AudioRecording recording;
  mutable std::mutex mutex;
  std::condition_variable drained_changed;
  std::size_t available;
  std::size_t next_packet = 0;
  bool packet_taken = false;
  bool drained = false;
  std::optional<std::uint32_t> last_failure_code;
  std::chrono::microseconds now{0};
  std::optional<AudioEndpoint::Clock::time_point> real_time_start;
  std::vector<AudioEndpoint::Clock::time_point> handed_over;
  bool device_changed = false;
  int endpoints = 0;
  std::array<int, kStepCount> calls{};
  std::vector<MixFormat> process_loopback_formats;
  std::vector<std::string> log;
};

class RecordedAudioSource::Endpoint final : public AudioEndpoint {
 public:
  Endpoint(std::shared_ptr<State> state, bool first) : state_(std::move(state)), first_(first) {}

  ~Endpoint() override {
    if (mix_format_held_) state_->Append("FreeMixFormat");
    const std::pair<bool, const char*> teardown[] = {
        {started_, "StopClient"},
        {capture_client_, "ReleaseCaptureClient"},
        {audio_client_, "ReleaseAudioClient"},
        {device_, "ReleaseDevice"},
        {enumerator_, "ReleaseEnumerator"},
        {apartment_, "LeaveApartment"},
        {registered_, "UnregisterThread"},
    };
    for (const auto& [held, entry] : teardown) {
      if (held) state_->Append(entry);
    }
  }

  bool RegisterThread() override { return SetUp(EndpointStep::kRegisterThread, registered_); }
  bool EnterApartment() override { return SetUp(EndpointStep::kEnterApartment, apartment_); }
  bool CreateEnumerator() override { return SetUp(EndpointStep::kCreateEnumerator, enumerator_); }
  bool GetDefaultDevice() override { return SetUp(EndpointStep::kGetDefaultDevice, device_); }
  bool ActivateClient() override { return SetUp(EndpointStep::kActivateClient, audio_client_); }

  bool GetMixFormat(MixFormat& format) override {
    if (!SetUp(EndpointStep::kGetMixFormat, mix_format_held_)) return false;
    const auto& later = state_->recording.format_after_switch;
    format = first_ || !later ? state_->recording.format : *later;
    return true;
  }

  void FreeMixFormat() override {
    if (mix_format_held_) state_->Append("FreeMixFormat");
    mix_format_held_ = false;
  }

  bool Initialize() override {
    bool initialized = false;
    SetUp(EndpointStep::kInitialize, initialized);
    FreeMixFormat();
    return initialized;
  }

  bool ActivateProcessLoopback(const char*& failed_call) override {
    if (!state_->recording.process_loopback) return AudioEndpoint::ActivateProcessLoopback(failed_call);
    failed_call = "ActivateAudioInterfaceAsync";
    return SetUp(EndpointStep::kActivateProcessLoopback, audio_client_);
  }

  bool InitializeProcessLoopback(const MixFormat& format) override {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      state_->process_loopback_formats.push_back(format);
    }
    bool initialized = false;
    return SetUp(EndpointStep::kInitializeProcessLoopback, initialized);
  }

  bool GetCaptureClient() override { return SetUp(EndpointStep::kGetCaptureClient, capture_client_); }
  bool StartClient() override {
    if (!SetUp(EndpointStep::kStartClient, started_)) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->real_time_start) state_->real_time_start = Clock::now();
    return true;
  }

  bool GetNextPacketSize(std::uint32_t& frames) override {
    if (Failed(EndpointStep::kGetNextPacketSize)) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    const auto& recording = state_->recording;
    if (state_->next_packet < state_->available) {
      const RecordedPacket& next = recording.packets[state_->next_packet];
      if (Arrived(next)) {
        frames = next.frames;
        return true;
      }
    }
    frames = 0;
    const bool all_taken = state_->next_packet >= state_->available;
    const bool ended = recording.simulated_clock ? all_taken && state_->now >= recording.clock_end : all_taken;
    if (ended && !state_->packet_taken && !state_->drained) {
      state_->drained = true;
      state_->drained_changed.notify_all();
    }
    return true;
  }

  bool GetBuffer(AudioPacket& packet) override {
    if (Failed(EndpointStep::kGetBuffer)) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    const auto& recording = state_->recording;
    if (state_->next_packet >= state_->available) {
      packet = AudioPacket{};
      return true;
    }
    const auto& changes = recording.device_changes_during;
    if (std::find(changes.begin(), changes.end(), state_->next_packet) != changes.end()) {
      state_->device_changed = true;
    }
    const RecordedPacket& next = recording.packets[state_->next_packet++];
    state_->handed_over.push_back(Clock::now());
    packet.data = next.null_data ? nullptr : recording.stream.data() + next.offset;
    packet.frames = next.frames;
    packet.flags = next.flags;
    state_->packet_taken = true;
    return true;
  }

  bool ReleaseBuffer(std::uint32_t) override {
    if (Failed(EndpointStep::kReleaseBuffer)) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->packet_taken = false;
    return true;
  }

  std::optional<std::uint32_t> LastFailureCode() const override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->last_failure_code;
  }

  std::string DeviceName() override { return state_->recording.device_name; }

  bool WatchDevices() override {
    watching_ = true;
    return true;
  }

  bool DevicesChanged() override {
    if (!watching_) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    return std::exchange(state_->device_changed, false);
  }

  Clock::time_point Now() override {
    if (!state_->recording.simulated_clock) return Clock::now();
    std::lock_guard<std::mutex> lock(state_->mutex);
    return Clock::time_point(state_->now);
  }

  void WaitForPacket(Clock::duration duration) override {
    if (state_->recording.simulated_clock) {
      std::lock_guard<std::mutex> lock(state_->mutex);
      if (state_->now < state_->recording.clock_end) {
        state_->now = std::min(state_->recording.clock_end,
                               state_->now + std::chrono::duration_cast<std::chrono::microseconds>(duration));
        return;
      }
    }
    // A frozen clock waits for real, so that the test can stop capture.
    std::this_thread::sleep_for(duration);
  }

 private:
  // The state's mutex is held.
  bool Arrived(const RecordedPacket& packet) const {
    const AudioRecording& recording = state_->recording;
    if (recording.simulated_clock) return packet.arrives_at <= state_->now;
    if (!recording.real_time) return true;
    return state_->real_time_start && Clock::now() - *state_->real_time_start >= packet.arrives_at;
  }

  bool Failed(EndpointStep step) {
    if (!state_->Fails(step)) return false;
    ReportFailure(EndpointStepName(step), *LastFailureCode());
    return true;
  }

  bool SetUp(EndpointStep step, bool& obtained) {
    obtained = !Failed(step);
    state_->Append(std::string(EndpointStepName(step)) + (obtained ? "" : " failed"));
    return obtained;
  }

  const std::shared_ptr<State> state_;
  const bool first_;
  bool registered_ = false;
  bool apartment_ = false;
  bool enumerator_ = false;
  bool device_ = false;
  bool audio_client_ = false;
  bool mix_format_held_ = false;
  bool capture_client_ = false;
  bool started_ = false;
  bool watching_ = false;
};

RecordedAudioSource::RecordedAudioSource(AudioRecording recording)
    : state_(std::make_shared<State>(std::move(recording))) {}

AudioEndpointFactory RecordedAudioSource::Factory() {
  return [state = state_]() -> std::unique_ptr<AudioEndpoint> {
    bool first = false;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      first = ++state->endpoints == 1;
    }
    return std::make_unique<Endpoint>(state, first);
  };
}

void RecordedAudioSource::MakeAvailable(std::size_t count) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->available = std::min(count, state_->recording.packets.size());
  state_->drained = false;
}

bool RecordedAudioSource::WaitUntilDrained(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->drained_changed.wait_for(lock, timeout, [this] { return state_->drained; });
}

std::vector<std::string> RecordedAudioSource::Log() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->log;
}

void RecordedAudioSource::Note(const std::string& entry) {
  state_->Append(entry);
}

std::chrono::microseconds RecordedAudioSource::SimulatedNow() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->now;
}

std::vector<MixFormat> RecordedAudioSource::ProcessLoopbackFormats() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->process_loopback_formats;
}

int RecordedAudioSource::EndpointsCreated() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->endpoints;
}

int RecordedAudioSource::Calls(EndpointStep step) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->calls[static_cast<std::size_t>(step)];
}

std::vector<AudioEndpoint::Clock::time_point> RecordedAudioSource::HandOverTimes() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->handed_over;
}

std::optional<AudioEndpoint::Clock::time_point> RecordedAudioSource::RealTimeStart() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->real_time_start;
}

}  // namespace kestro
