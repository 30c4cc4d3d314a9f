#include "system_audio_channels.h"

#include <string>
#include <utility>

#include "flutter/event_channel.h"
#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"
#include "flutter/stream_handler_functions.h"

namespace kestro {

namespace {
constexpr char kMethodChannel[] = "kestro/system_audio";
constexpr char kEventChannel[] = "kestro/system_audio_events";
constexpr std::int32_t kDefaultChunkMs = 600;
constexpr std::int32_t kMinChunkMs = 80;
constexpr std::int32_t kMaxChunkMs = 2000;
}  // namespace

std::int32_t ChunkMillisecondsFromArguments(const flutter::EncodableValue* arguments) {
  std::int32_t chunk_ms = kDefaultChunkMs;
  if (arguments != nullptr) {
    const flutter::EncodableValue* value = arguments->Find("chunk_ms");
    if (value != nullptr) {
      if (const auto* requested = value->TryGet<std::int32_t>()) chunk_ms = *requested;
    }
  }
  if (chunk_ms > kMaxChunkMs) chunk_ms = kMaxChunkMs;
  if (chunk_ms < kMinChunkMs) chunk_ms = kMinChunkMs;
  return chunk_ms;
}

void ForwardChunkToSink(std::vector<std::uint8_t> chunk, const EventSinkSlot& sink_slot,
                        const flutter::MessengerReference& messenger) {
  const std::shared_ptr<flutter::EventSink> sink = sink_slot.Get();
  if (!sink) return;
  const flutter::EncodableValue event(std::move(chunk));
  messenger.IfEngineAvailable([&] { sink->EmitEvent(&event); });
}

void HandleSystemAudioCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                           const std::shared_ptr<KestroLoopbackCapture>& capture,
                           const std::shared_ptr<EventSinkSlot>& sink_slot,
                           const flutter::MessengerReference& messenger) {
  const std::string& method = call.method_name();
  if (method == "is_supported") {
    result->Success(flutter::EncodableValue(true));
  } else if (method == "start") {
    const std::int32_t chunk_ms = ChunkMillisecondsFromArguments(call.arguments());
    const bool started = capture->Start(
        chunk_ms,
        [sink_slot, messenger](std::vector<std::uint8_t> chunk) {
          ForwardChunkToSink(std::move(chunk), *sink_slot, messenger);
        },
        [](const std::string&) {});
    result->Success(flutter::EncodableValue(started));
  } else if (method == "stop") {
    capture->Stop();
    result->Success();
  } else {
    result->NotImplemented();
  }
}

void InstallSystemAudioChannels(flutter::FlutterEngine* engine) {
  InstallSystemAudioChannels(engine, nullptr);
}

void InstallSystemAudioChannels(flutter::FlutterEngine* engine, AudioEndpointFactory endpoint_factory) {
  if (engine == nullptr) return;
  auto capture = endpoint_factory ? std::make_shared<KestroLoopbackCapture>(std::move(endpoint_factory))
                                  : std::make_shared<KestroLoopbackCapture>();
  const flutter::MethodCodec* codec = &flutter::StandardMethodCodec::Shared();
  flutter::BinaryMessenger* messenger = engine->Messenger();

  // The channel objects only install handlers; the handlers live in the
  // messenger and keep what they need alive.
  flutter::EventChannel events(messenger, kEventChannel, codec);
  auto sink_slot = std::make_shared<EventSinkSlot>();
  // Held by the handlers, so that the capture thread can still test the
  // engine's availability once the engine has shut down.
  const flutter::MessengerReference engine_messenger(engine->MessengerHandle());
  events.SetStreamHandler(std::make_unique<flutter::StreamHandlerFunctions>(
      [sink_slot](const flutter::EncodableValue*,
                  std::unique_ptr<flutter::EventSink>&& sink) -> std::unique_ptr<flutter::StreamHandlerError> {
        sink_slot->Store(std::move(sink));
        return nullptr;
      },
      [sink_slot](const flutter::EncodableValue*) -> std::unique_ptr<flutter::StreamHandlerError> {
        sink_slot->Reset();
        return nullptr;
      }));

  flutter::MethodChannel methods(messenger, kMethodChannel, codec);
  methods.SetMethodCallHandler([capture, sink_slot, engine_messenger](const flutter::MethodCall& call,
                                                                      std::unique_ptr<flutter::MethodResult> result) {
    HandleSystemAudioCall(call, std::move(result), capture, sink_slot, engine_messenger);
  });
}

}  // namespace kestro
