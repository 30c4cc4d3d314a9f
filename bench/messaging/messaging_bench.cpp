// Cost of the messaging layers over the codec work they wrap: a small method
// call through the stand-in engine, the dispatcher, a handler and the reply;
// and byte-list events sent from a thread other than the platform thread.
// Each is measured beside the bare codec work on the same messages and
// beside the stand-in engine doing its part alone, so that the client
// library's own share can be told apart (share_report.h).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "default_flags.h"
#include "flutter/encodable_value.h"
#include "flutter/event_channel.h"
#include "flutter/flutter_view_controller.h"
#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"
#include "flutter/stream_handler_functions.h"
#include "share_report.h"
#include "standin/engine_test_api.h"

namespace {

using flutter::EncodableValue;

const char kMethodChannel[] = "kestro/system_audio";
const char kEventChannel[] = "kestro/system_audio_events";
constexpr size_t kChunkBytes = 2560;

const flutter::StandardMethodCodec& Codec() {
  return flutter::StandardMethodCodec::Shared();
}

std::vector<uint8_t> CallBytes(const std::string& method, EncodableValue arguments) {
  return *Codec().EncodeCall(flutter::MethodCall(method, std::make_unique<EncodableValue>(std::move(arguments))));
}

std::vector<uint8_t> StartCall() {
  return CallBytes("start", EncodableValue(flutter::ValueMap{{EncodableValue("chunk_ms"), EncodableValue(100)}}));
}

// What the handler does with a call, shared by the round trip and its baseline.
const EncodableValue* ChunkMs(const flutter::MethodCall& call) {
  return call.arguments() != nullptr ? call.arguments()->Find("chunk_ms") : nullptr;
}

// A fresh stand-in with one running engine, for the life of one benchmark.
class RunningEngine {
 public:
  RunningEngine() {
    standin::ResetAll();
    controller_ = std::make_unique<flutter::FlutterViewController>(800, 600, flutter::EngineProject(L"data"));
    id_ = standin::LiveEngines().back();
  }
  ~RunningEngine() {
    controller_.reset();
    standin::ResetAll();
  }
  flutter::BinaryMessenger* messenger() const { return controller_->Engine()->Messenger(); }
  standin::EngineId id() const { return id_; }
  // Still owned by the view controller.
  FlutterDesktopEngineRef handle() const { return controller_->Engine()->HandOverEngine(); }

 private:
  std::unique_ptr<flutter::FlutterViewController> controller_;
  standin::EngineId id_ = 0;
};

void BM_BareCallDecodeAndReplyEncode(benchmark::State& state) {
  const std::vector<uint8_t> message = StartCall();
  const EncodableValue answer(true);
  for (auto _ : state) {
    std::unique_ptr<flutter::MethodCall> call = Codec().DecodeCall(message.data(), message.size());
    benchmark::DoNotOptimize(ChunkMs(*call));
    std::unique_ptr<std::vector<uint8_t>> reply = Codec().EncodeSuccessReply(&answer);
    benchmark::DoNotOptimize(reply->data());
  }
}
BENCHMARK(BM_BareCallDecodeAndReplyEncode);

void BM_MethodCallRoundTrip(benchmark::State& state) {
  RunningEngine engine;
  flutter::MethodChannel(engine.messenger(), kMethodChannel, &Codec())
      .SetMethodCallHandler([](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        benchmark::DoNotOptimize(ChunkMs(call));
        result->Success(EncodableValue(true));
      });
  const std::vector<uint8_t> message = StartCall();
  standin::MessageTicket ticket = 0;
  for (auto _ : state) {
    ticket = standin::InjectMessage(engine.id(), kMethodChannel, message);
    standin::PumpPlatformThread();
  }
  if (standin::ResponseTo(ticket).state != standin::ResponseState::kAnswered) {
    state.SkipWithError("the call was not answered");
  }
}
BENCHMARK(BM_MethodCallRoundTrip);

// The stand-in's own share of the round trip: the same delivery answered by a
// plain callback with ready-made reply bytes, no client library involved. It
// makes the engine library calls that answering a message takes (a reference
// on the messenger for the reply's life, and the lock and availability test
// around the response), since they run inside the engine library.
void BM_StandinRoundTripAlone(benchmark::State& state) {
  RunningEngine engine;
  static const std::vector<uint8_t> reply = [] {
    const EncodableValue answer(true);
    return *Codec().EncodeSuccessReply(&answer);
  }();
  FlutterDesktopMessengerRef messenger = FlutterDesktopEngineGetMessenger(engine.handle());
  FlutterDesktopMessengerSetCallback(
      messenger, kMethodChannel,
      [](FlutterDesktopMessengerRef target, const FlutterDesktopMessage* message, void*) {
        FlutterDesktopMessengerRef held = FlutterDesktopMessengerAddRef(target);
        FlutterDesktopMessengerRef locked = FlutterDesktopMessengerLock(held);
        if (FlutterDesktopMessengerIsAvailable(held)) {
          FlutterDesktopMessengerSendResponse(held, message->response_handle, reply.data(), reply.size());
        }
        FlutterDesktopMessengerUnlock(locked);
        FlutterDesktopMessengerRelease(held);
      },
      nullptr);
  const std::vector<uint8_t> message = StartCall();
  for (auto _ : state) {
    standin::InjectMessage(engine.id(), kMethodChannel, message);
    standin::PumpPlatformThread();
  }
  FlutterDesktopMessengerSetCallback(messenger, kMethodChannel, nullptr, nullptr);
}
BENCHMARK(BM_StandinRoundTripAlone);

void BM_BareEventEncode(benchmark::State& state) {
  const EncodableValue chunk(std::vector<uint8_t>(kChunkBytes, 0x5a));
  for (auto _ : state) {
    std::unique_ptr<std::vector<uint8_t>> event = Codec().EncodeSuccessReply(&chunk);
    benchmark::DoNotOptimize(event->data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunkBytes));
}
BENCHMARK(BM_BareEventEncode);

void BM_EmitEventFromCaptureThread(benchmark::State& state) {
  RunningEngine engine;
  std::unique_ptr<flutter::EventSink> sink;
  flutter::EventChannel(engine.messenger(), kEventChannel, &Codec())
      .SetStreamHandler(std::make_unique<flutter::StreamHandlerFunctions>(
          [&sink](const EncodableValue*, std::unique_ptr<flutter::EventSink>&& events) {
            sink = std::move(events);
            return std::unique_ptr<flutter::StreamHandlerError>();
          },
          nullptr));
  standin::InjectMessage(engine.id(), kEventChannel, CallBytes("listen", EncodableValue()));
  standin::PumpPlatformThread();
  if (!sink) {
    state.SkipWithError("the stream did not open");
    return;
  }
  const EncodableValue chunk(std::vector<uint8_t>(kChunkBytes, 0x5a));
  // The timed loop runs on a thread of its own, as the capture thread does;
  // the benchmark times that thread.
  std::thread capture([&state, &sink, &chunk] {
    for (auto _ : state) {
      sink->Success(chunk);
    }
  });
  capture.join();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunkBytes));
}
BENCHMARK(BM_EmitEventFromCaptureThread);

// The stand-in's own share of an event: sending ready-made event bytes.
void BM_StandinSendAlone(benchmark::State& state) {
  RunningEngine engine;
  const EncodableValue chunk(std::vector<uint8_t>(kChunkBytes, 0x5a));
  const std::vector<uint8_t> event = *Codec().EncodeSuccessReply(&chunk);
  FlutterDesktopMessengerRef messenger = FlutterDesktopEngineGetMessenger(engine.handle());
  std::thread capture([&state, &event, messenger] {
    for (auto _ : state) {
      FlutterDesktopMessengerSend(messenger, kEventChannel, event.data(), event.size());
    }
  });
  capture.join();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunkBytes));
}
BENCHMARK(BM_StandinSendAlone);

}  // namespace

int main(int argc, char** argv) {
  if (!kestro::bench::InitializeWithDefaultFlags(argc, argv)) return 1;

  kestro::bench::ShareReport report({
      {"method call", "BM_MethodCallRoundTrip", "BM_StandinRoundTripAlone", "BM_BareCallDecodeAndReplyEncode", true,
       1.5},
      {"chunk event", "BM_EmitEventFromCaptureThread", "BM_StandinSendAlone", "BM_BareEventEncode", false, 0.5},
  });
  benchmark::RunSpecifiedBenchmarks(&report);
  benchmark::Shutdown();
  return 0;
}
