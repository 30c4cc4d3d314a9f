#include "recorded_audio_endpoint.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>

namespace kestro {
namespace {

constexpr std::size_t kStepCount = static_cast<std::size_t>(EndpointStep::kReleaseBuffer) + 1;

std::uint32_t FramesOf(std::size_t samples, std::uint16_t channels) {
  return static_cast<std::uint32_t>(samples / std::max<std::size_t>(1, channels));
}

}  // namespace

const char* EndpointStepName(EndpointStep step) {
  switch (step) {
    case EndpointStep::kRegisterThread: return "RegisterThread";
    case EndpointStep::kEnterApartment: return "EnterApartment";
    case EndpointStep::kCreateEnumerator: return "CreateEnumerator";
    case EndpointStep::kGetDefaultDevice: return "GetDefaultDevice";
    case EndpointStep::kActivateClient: return "ActivateClient";
    case EndpointStep::kGetMixFormat: return "GetMixFormat";
    case EndpointStep::kInitialize: return "Initialize";
    case EndpointStep::kGetCaptureClient: return "GetCaptureClient";
    case EndpointStep::kStartClient: return "StartClient";
    case EndpointStep::kGetNextPacketSize: return "GetNextPacketSize";
    case EndpointStep::kGetBuffer: return "GetBuffer";
    case EndpointStep::kReleaseBuffer: return "ReleaseBuffer";
  }
  return "?";
}

void AudioRecording::AddBytesPacket(const std::uint8_t* bytes, std::size_t size,
                                    std::uint32_t frames, std::uint32_t flags) {
  packets.push_back(RecordedPacket{stream.size(), frames, flags, false});
  stream.insert(stream.end(), bytes, bytes + size);
}

void AudioRecording::AddFloatPacket(const std::vector<float>& samples, std::uint32_t flags) {
  AddBytesPacket(reinterpret_cast<const std::uint8_t*>(samples.data()), samples.size() * sizeof(float),
                 FramesOf(samples.size(), format.channels), flags);
}

void AudioRecording::AddInt16Packet(const std::vector<std::int16_t>& samples, std::uint32_t flags) {
  AddBytesPacket(reinterpret_cast<const std::uint8_t*>(samples.data()),
                 samples.size() * sizeof(std::int16_t), FramesOf(samples.size(), format.channels),
                 flags);
}

void AudioRecording::AddNullPacket(std::uint32_t frames) {
  packets.push_back(RecordedPacket{stream.size(), frames, 0, true});
}

struct RecordedAudioSource::State {
  explicit State(AudioRecording recording)
      : recording(std::move(recording)), available(this->recording.packets.size()) {}

  // Counts a call of `step` and tells whether it is the one that fails.
  bool Fails(EndpointStep step) {
    std::lock_guard<std::mutex> lock(mutex);
    const int earlier = calls[static_cast<std::size_t>(step)]++;
    const auto& failure = recording.failure;
    if (failure_spent || !failure || failure->step != step || failure->successes != earlier) {
      return false;
    }
    failure_spent = true;
    if (failure->throws) throw std::bad_alloc();
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
  bool failure_spent = false;
  int endpoints = 0;
  std::array<int, kStepCount> calls{};
  std::vector<std::string> log;
};

class RecordedAudioSource::Endpoint final : public AudioEndpoint {
 public:
  explicit Endpoint(std::shared_ptr<State> state) : state(std::move(state)) {}

  ~Endpoint() override {
    if (mix_format_held) state->Append("FreeMixFormat");
    const std::pair<bool, const char*> teardown[] = {
        {started, "StopClient"},          {capture_client, "ReleaseCaptureClient"},
        {audio_client, "ReleaseAudioClient"}, {device, "ReleaseDevice"},
        {enumerator, "ReleaseEnumerator"}, {apartment, "LeaveApartment"},
        {registered, "UnregisterThread"},
    };
    for (const auto& [held, entry] : teardown) {
      if (held) state->Append(entry);
    }
  }

  bool RegisterThread() override { return SetUp(EndpointStep::kRegisterThread, registered); }
  bool EnterApartment() override { return SetUp(EndpointStep::kEnterApartment, apartment); }
  bool CreateEnumerator() override { return SetUp(EndpointStep::kCreateEnumerator, enumerator); }
  bool GetDefaultDevice() override { return SetUp(EndpointStep::kGetDefaultDevice, device); }
  bool ActivateClient() override { return SetUp(EndpointStep::kActivateClient, audio_client); }

  bool GetMixFormat(MixFormat& format) override {
    if (!SetUp(EndpointStep::kGetMixFormat, mix_format_held)) return false;
    format = state->recording.format;
    return true;
  }

  void FreeMixFormat() override {
    if (mix_format_held) state->Append("FreeMixFormat");
    mix_format_held = false;
  }

  bool Initialize() override {
    bool initialized = false;
    SetUp(EndpointStep::kInitialize, initialized);
    FreeMixFormat();
    return initialized;
  }

  bool GetCaptureClient() override { return SetUp(EndpointStep::kGetCaptureClient, capture_client); }
  bool StartClient() override { return SetUp(EndpointStep::kStartClient, started); }

  bool GetNextPacketSize(std::uint32_t& frames) override {
    if (state->Fails(EndpointStep::kGetNextPacketSize)) return false;
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->next_packet < state->available) {
      frames = state->recording.packets[state->next_packet].frames;
      return true;
    }
    frames = 0;
    if (!state->packet_taken && !state->drained) {
      state->drained = true;
      state->drained_changed.notify_all();
    }
    return true;
  }

  bool GetBuffer(AudioPacket& packet) override {
    if (state->Fails(EndpointStep::kGetBuffer)) return false;
    std::lock_guard<std::mutex> lock(state->mutex);
    const auto& recording = state->recording;
    if (state->next_packet >= state->available) {
      packet = AudioPacket{};
      return true;
    }
    const RecordedPacket& next = recording.packets[state->next_packet++];
    packet.data = next.null_data ? nullptr : recording.stream.data() + next.offset;
    packet.frames = next.frames;
    packet.flags = next.flags;
    state->packet_taken = true;
    return true;
  }

  bool ReleaseBuffer(std::uint32_t) override {
    if (state->Fails(EndpointStep::kReleaseBuffer)) return false;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->packet_taken = false;
    return true;
  }

 private:
  bool SetUp(EndpointStep step, bool& obtained) {
    obtained = !state->Fails(step);
    state->Append(std::string(EndpointStepName(step)) + (obtained ? "" : " failed"));
    return obtained;
  }

  const std::shared_ptr<State> state;
  bool registered = false;
  bool apartment = false;
  bool enumerator = false;
  bool device = false;
  bool audio_client = false;
  bool mix_format_held = false;
  bool capture_client = false;
  bool started = false;
};

RecordedAudioSource::RecordedAudioSource(AudioRecording recording)
    : state(std::make_shared<State>(std::move(recording))) {}

AudioEndpointFactory RecordedAudioSource::Factory() {
  return [state = state]() -> std::unique_ptr<AudioEndpoint> {
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      ++state->endpoints;
    }
    return std::make_unique<Endpoint>(state);
  };
}

void RecordedAudioSource::MakeAvailable(std::size_t count) {
  std::lock_guard<std::mutex> lock(state->mutex);
  state->available = std::min(count, state->recording.packets.size());
  state->drained = false;
}

bool RecordedAudioSource::WaitUntilDrained(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(state->mutex);
  return state->drained_changed.wait_for(lock, timeout, [this] { return state->drained; });
}

std::vector<std::string> RecordedAudioSource::Log() const {
  std::lock_guard<std::mutex> lock(state->mutex);
  return state->log;
}

void RecordedAudioSource::Note(const std::string& entry) { state->Append(entry); }

int RecordedAudioSource::EndpointsCreated() const {
  std::lock_guard<std::mutex> lock(state->mutex);
  return state->endpoints;
}

int RecordedAudioSource::Calls(EndpointStep step) const {
  std::lock_guard<std::mutex> lock(state->mutex);
  return state->calls[static_cast<std::size_t>(step)];
}

}  // namespace kestro
