// Latency of a chunk event from the device to the UI. The system audio
// channels run on the stand-in engine and capture from a recorded 48 kHz
// stereo float device that hands over a 10 ms packet every 10 ms of real
// time; a UI peer connected to the stand-in's UI port listens, starts
// capture with 80 ms chunks and takes the chunk events. A chunk's latency
// runs from the device handing over the packet that completed it (GetBuffer)
// to the peer holding the whole event frame, both on the steady clock. It is
// also shown from the moment that packet was there to be taken, which adds
// the capture loop's idle wait between its polls of the device.
//
// The peer is the stand-in's C++ one (standin/ui_peer) in this process, not
// the project's Python peer: that would add its interpreter's own delays to
// every event and read the clock of another process.
//
// Which packet completes which chunk is found first by playing the same
// recording through the capture engine unpaced, noting at each chunk how
// many packets the device had handed over.
//
// Flags: --chunks=N (or KESTRO_LATENCY_CHUNKS=N) measures N chunks instead
// of 1,000 (80 s). Google Benchmark's flags are taken; --benchmark_filter
// selects as usual, while one run is made whatever --benchmark_repetitions
// says: its percentiles already come from every chunk of the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "flutter/encodable_value.h"
#include "flutter/flutter_view_controller.h"
#include "flutter/standard_method_codec.h"
#include "goal_line.h"
#include "loopback_capture.h"
#include "recorded_audio_endpoint.h"
#include "standin/engine_test_api.h"
#include "system_audio_channels.h"
#include "ui_peer.h"

namespace {

using Clock = std::chrono::steady_clock;
using flutter::EncodableValue;

const char kMethodChannel[] = "kestro/system_audio";
const char kEventChannel[] = "kestro/system_audio_events";
constexpr int kChunkMs = 80;
constexpr int kPacketMs = 10;
constexpr std::uint32_t kRate = 48000;
constexpr std::uint32_t kPacketFrames = kRate / 1000 * kPacketMs;
constexpr double kGoalP99Ms = 15.0;
constexpr std::uint8_t kHostMessage = 0x82;
constexpr double kTwoPi = 6.283185307179586;

int chunk_count = 1000;

// A packet is there once its 10 ms have been played.
std::chrono::microseconds PacketArrival(std::size_t packet) {
  return std::chrono::milliseconds((packet + 1) * kPacketMs);
}

// A 440 Hz tone, one second of it played over and over: the packets point
// into the same samples, so the recording stays small however long it runs.
kestro::AudioRecording ToneRecording(int chunks, bool real_time) {
  kestro::AudioRecording recording;
  recording.format = kestro::MixFormat{kestro::kWaveFormatIeeeFloat, 2, kRate, 32, {}};
  recording.real_time = real_time;
  std::vector<float> second(2 * kRate);
  for (std::uint32_t frame = 0; frame < kRate; ++frame) {
    const float sample = 0.25f * static_cast<float>(std::sin(kTwoPi * 440.0 * frame / kRate));
    second[2 * frame] = second[2 * frame + 1] = sample;
  }
  recording.stream.assign(reinterpret_cast<const std::uint8_t*>(second.data()),
                          reinterpret_cast<const std::uint8_t*>(second.data() + second.size()));
  // A few packets beyond the last chunk, for the input sample that the
  // resampler reads past each chunk's end.
  const int packets = chunks * (kChunkMs / kPacketMs) + 2;
  const std::size_t packet_bytes = kPacketFrames * 2 * sizeof(float);
  for (int p = 0; p < packets; ++p) {
    kestro::RecordedPacket packet;
    packet.offset = static_cast<std::size_t>(p) * packet_bytes % recording.stream.size();
    packet.frames = kPacketFrames;
    packet.arrives_at = PacketArrival(static_cast<std::size_t>(p));
    recording.packets.push_back(packet);
  }
  return recording;
}

// For each chunk, the index of the packet whose hand-over completed it.
std::optional<std::vector<int>> CompletingPackets(int chunks) {
  kestro::RecordedAudioSource source(ToneRecording(chunks, false));
  std::vector<int> completing;
  {
    kestro::KestroLoopbackCapture capture(source.Factory());
    capture.Start(
        kChunkMs,
        [&](std::vector<std::uint8_t>) {
          // The chunk callback runs on the capture thread between taking one
          // packet and asking for the next.
          completing.push_back(source.Calls(kestro::EndpointStep::kGetBuffer) - 1);
        },
        [](const std::string&) {});
    if (!source.WaitUntilDrained(std::chrono::seconds(60))) return std::nullopt;
  }
  if (static_cast<int>(completing.size()) < chunks) return std::nullopt;
  completing.resize(static_cast<std::size_t>(chunks));
  return completing;
}

std::vector<std::uint8_t> CallBytes(const std::string& method, std::unique_ptr<EncodableValue> arguments) {
  return *flutter::StandardMethodCodec::Shared().EncodeCall(flutter::MethodCall(method, std::move(arguments)));
}

// The channel of a host message frame (message id 8, engine 8, wants
// reply 1, channel as a text, message bytes).
std::string HostMessageChannel(const standin::testing::PeerFrame& frame) {
  constexpr std::size_t kChannelAt = 17;
  if (frame.payload.size() < kChannelAt + 4) return {};
  const std::size_t length = frame.U32(kChannelAt);
  if (frame.payload.size() < kChannelAt + 4 + length) return {};
  return std::string(frame.payload.begin() + kChannelAt + 4, frame.payload.begin() + kChannelAt + 4 + length);
}

// When the peer held each chunk event, in order; nothing when the run failed
// (the reason is written to standard error).
std::optional<std::vector<Clock::time_point>> ReceiveChunkEvents(int chunks, kestro::RecordedAudioSource& source) {
  auto controller = std::make_unique<flutter::FlutterViewController>(800, 600, flutter::EngineProject(L"data"));
  if (controller->Engine() == nullptr) return std::nullopt;
  kestro::InstallSystemAudioChannels(controller->Engine(), source.Factory());
  const std::optional<std::uint16_t> port = standin::StartUiPort(0);
  if (!port) return std::nullopt;
  const standin::EngineId engine = standin::LiveEngines().back();

  std::vector<Clock::time_point> arrivals;
  arrivals.reserve(static_cast<std::size_t>(chunks));
  std::atomic<bool> peer_done{false};
  std::string failure;
  std::thread peer_thread([&] {
    standin::testing::UiPeer peer(*port);
    if (!peer.Next()) {
      failure = "no greeting from the UI port";
    } else {
      peer.SendMessage(1, engine, kEventChannel, CallBytes("listen", nullptr));
      peer.SendMessage(2, engine, kMethodChannel,
                       CallBytes("start", std::make_unique<EncodableValue>(flutter::ValueMap{
                                              {EncodableValue("chunk_ms"), EncodableValue(kChunkMs)}})));
      while (static_cast<int>(arrivals.size()) < chunks) {
        std::optional<standin::testing::PeerFrame> frame = peer.Next(std::chrono::seconds(5));
        const Clock::time_point now = Clock::now();
        if (!frame) {
          failure = "no chunk event for 5 s after " + std::to_string(arrivals.size());
          break;
        }
        if (frame->type == kHostMessage && HostMessageChannel(*frame) == kEventChannel) arrivals.push_back(now);
      }
    }
    peer_done = true;
  });
  // The platform thread: it delivers the peer's listen and start.
  standin::PumpUntil([&] { return peer_done.load(); }, std::chrono::milliseconds(chunks * kChunkMs + 60000));
  peer_thread.join();
  // Destroying the engine's handlers stops capture.
  controller.reset();
  standin::StopUiPort();
  if (!failure.empty()) {
    std::fprintf(stderr, "chunk_latency_bench: %s\n", failure.c_str());
    return std::nullopt;
  }
  return arrivals;
}

struct Percentiles {
  double p50_ms = 0;
  double p99_ms = 0;
  double max_ms = 0;
};

// Nearest rank.
Percentiles Summarise(std::vector<double> latencies_ms) {
  std::sort(latencies_ms.begin(), latencies_ms.end());
  const auto rank = [&](double fraction) {
    const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(latencies_ms.size())));
    return latencies_ms[std::max<std::size_t>(index, 1) - 1];
  };
  return Percentiles{rank(0.50), rank(0.99), latencies_ms.back()};
}

// From the hand-over (the goal) and from the packet's arrival.
std::optional<Percentiles> measured;
std::optional<Percentiles> measured_from_arrival;

void BM_ChunkEventLatency(benchmark::State& state) {
  for (auto _ : state) {
    const std::optional<std::vector<int>> completing = CompletingPackets(chunk_count);
    if (!completing) {
      state.SkipWithError("the unpaced capture did not give every chunk");
      return;
    }
    kestro::RecordedAudioSource source(ToneRecording(chunk_count, true));
    const std::optional<std::vector<Clock::time_point>> arrivals = ReceiveChunkEvents(chunk_count, source);
    if (!arrivals) {
      state.SkipWithError("the UI peer did not receive every chunk event");
      return;
    }
    const std::vector<Clock::time_point> handed_over = source.HandOverTimes();
    const Clock::time_point device_start = *source.RealTimeStart();
    std::vector<double> latencies_ms;
    std::vector<double> from_arrival_ms;
    for (std::size_t k = 0; k < arrivals->size(); ++k) {
      const auto packet = static_cast<std::size_t>((*completing)[k]);
      const auto ms = [&](Clock::time_point from) {
        return std::chrono::duration<double, std::milli>((*arrivals)[k] - from).count();
      };
      latencies_ms.push_back(ms(handed_over.at(packet)));
      from_arrival_ms.push_back(ms(device_start + PacketArrival(packet)));
    }
    if (*std::min_element(latencies_ms.begin(), latencies_ms.end()) < 0) {
      state.SkipWithError("a chunk event came before the packet found to complete it");
      return;
    }
    measured = Summarise(std::move(latencies_ms));
    measured_from_arrival = Summarise(std::move(from_arrival_ms));
    state.SetIterationTime(measured->p50_ms / 1000);
  }
  state.counters["p99_ms"] = measured->p99_ms;
  state.counters["max_ms"] = measured->max_ms;
  state.counters["chunks"] = chunk_count;
}
// Time: the median latency.
BENCHMARK(BM_ChunkEventLatency)->Iterations(1)->Repetitions(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// --chunks=N or KESTRO_LATENCY_CHUNKS=N; false on a malformed count.
bool TakeChunkCount(int* argc, char** argv) {
  const char* text = std::getenv("KESTRO_LATENCY_CHUNKS");
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp(argv[i], "--chunks=", 9) == 0) {
      text = argv[i] + 9;
    } else {
      argv[kept++] = argv[i];
    }
  }
  *argc = kept;
  if (text == nullptr) return true;
  char* end = nullptr;
  const long count = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || count < 1 || count > 1000000) {
    std::fprintf(stderr, "chunk_latency_bench: the chunk count \"%s\" is not a number from 1 to 1000000\n", text);
    return false;
  }
  chunk_count = static_cast<int>(count);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!TakeChunkCount(&argc, argv)) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (measured) {
    std::printf(
        "\nchunk event latency over %d chunks of %d ms (device packet handed over -> UI peer): "
        "p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
        chunk_count, kChunkMs, measured->p50_ms, measured->p99_ms, measured->max_ms);
    std::printf(
        "the same from the completing packet's arrival at the device (adds the capture loop's idle wait): "
        "p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
        measured_from_arrival->p50_ms, measured_from_arrival->p99_ms, measured_from_arrival->max_ms);
    kestro::bench::ReportGoal("chunk event latency p99, device packet to UI peer (80 ms chunks)", measured->p99_ms,
                              kestro::bench::Goal::kAtMost, kGoalP99Ms, " ms");
  }
  return 0;
}
