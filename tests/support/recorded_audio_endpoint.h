// An audio endpoint that plays back recorded packets instead of a device,
// with an optional failure at any step: the capture engine's stand-in for
// native tests, the offline pipeline tool and the benchmarks.
#ifndef KESTRO_SERVICES_TESTING_RECORDED_AUDIO_ENDPOINT_H_
#define KESTRO_SERVICES_TESTING_RECORDED_AUDIO_ENDPOINT_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio_endpoint.h"

namespace kestro {

enum class EndpointStep {
  kRegisterThread,
  kEnterApartment,
  kCreateEnumerator,
  kGetDefaultDevice,
  kActivateClient,
  kGetMixFormat,
  kInitialize,
  kGetCaptureClient,
  kStartClient,
  kGetNextPacketSize,
  kGetBuffer,
  kReleaseBuffer,
  kActivateProcessLoopback,
  kInitializeProcessLoopback,
};

const char* EndpointStepName(EndpointStep step);

// Makes `repeats` calls of a step in a row fail with `code` as their
// platform result (or throw std::bad_alloc, as memory exhaustion would),
// after `successes` successful calls of it. Each failure leaves the line
// the platform endpoint would write.
struct EndpointFailure {
  EndpointStep step = EndpointStep::kCreateEnumerator;
  int successes = 0;
  bool throws = false;
  std::uint32_t code = 0x80004005;  // E_FAIL
  int repeats = 1;
};

struct RecordedPacket {
  std::size_t offset = 0;  // into AudioRecording::stream
  std::uint32_t frames = 0;
  std::uint32_t flags = 0;
  bool null_data = false;
  // On the simulated clock, or on the real one counted from StartClient
  // (AudioRecording::real_time): the packet waits until then.
  std::chrono::microseconds arrives_at{0};
};

// What the device reports and delivers.
struct AudioRecording {
  MixFormat format;
  std::vector<std::uint8_t> stream;
  std::vector<RecordedPacket> packets;
  std::optional<EndpointFailure> failure;
  std::string device_name = "Recorded device";
  // Packets during whose taking the default device changes, as a
  // notification on another thread would say.
  std::vector<std::size_t> device_changes_during;
  // Process loopback is there (its steps can fail like the others);
  // otherwise its activation fails as on a system without the function.
  bool process_loopback = false;
  // The mix format of every endpoint after the first, when it differs.
  std::optional<MixFormat> format_after_switch;
  // Time as the capture loop sees it: simulated, advanced only by its waits
  // for a packet, and frozen at `clock_end`; otherwise the real clock.
  bool simulated_clock = false;
  std::chrono::microseconds clock_end{0};
  // Packets wait for their arrives_at on the real clock, counted from the
  // first StartClient: a device delivering in real time. Ignored with the
  // simulated clock.
  bool real_time = false;

  // Packets whose frames are interleaved samples in format.channels channels.
  void AddFloatPacket(const std::vector<float>& samples, std::uint32_t flags = 0);
  void AddInt16Packet(const std::vector<std::int16_t>& samples, std::uint32_t flags = 0);
  void AddBytesPacket(const std::uint8_t* bytes, std::size_t size, std::uint32_t frames, std::uint32_t flags = 0);
  void AddNullPacket(std::uint32_t frames);
};

// The device behind the endpoints: packets are delivered once, in order,
// across all endpoints made from it. Thread-safe.
class RecordedAudioSource {
 public:
  explicit RecordedAudioSource(AudioRecording recording);

  // A factory for KestroLoopbackCapture; each endpoint shares this source.
  AudioEndpointFactory Factory();

  // Delivers only the first `count` packets until called again; all of
  // them are available at first.
  void MakeAvailable(std::size_t count);

  // Waits until every available packet was released and the endpoint was
  // asked for more, which means every chunk they give has been emitted.
  bool WaitUntilDrained(std::chrono::milliseconds timeout);

  // Set-up steps called, mix format frees, and teardown steps, in order,
  // with entries added by Note (e.g. from callbacks).
  std::vector<std::string> Log() const;
  void Note(const std::string& entry);

  // The simulated clock's reading.
  std::chrono::microseconds SimulatedNow() const;

  int EndpointsCreated() const;
  // The formats process loopback was initialised with, in order.
  std::vector<MixFormat> ProcessLoopbackFormats() const;
  int Calls(EndpointStep step) const;
  // When each packet was handed over (GetBuffer), on the real clock, in order.
  std::vector<AudioEndpoint::Clock::time_point> HandOverTimes() const;
  // When a real-time device started delivering (the first StartClient).
  std::optional<AudioEndpoint::Clock::time_point> RealTimeStart() const;

 private:
  class Endpoint;
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_TESTING_RECORDED_AUDIO_ENDPOINT_H_
