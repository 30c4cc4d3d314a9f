#include "system_audio_channels.h"

#include <optional>
#include <string>
#include <utility>

#include "flutter/event_channel.h"
#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"
#include "flutter/stream_handler_functions.h"
#include "method_arguments.h"

namespace kestro {

namespace {
constexpr char kMethodChannel[] = "kestro/system_audio";
constexpr char kEventChannel[] = "kestro/system_audio_events";
constexpr std::int32_t kDefaultChunkMs = 600;
constexpr std::int32_t kMinChunkMs = 80;
constexpr std::int32_t kMaxChunkMs = 2000;

flutter::EncodableValue OptionalText(const std::optional<std::string>& text) {
  return text ? flutter::EncodableValue(*text) : flutter::EncodableValue();
}

flutter::EncodableValue Count(std::uint64_t count) {
  return flutter::EncodableValue(static_cast<std::int64_t>(count));
}
}  // namespace

std::int32_t ChunkMillisecondsFromArguments(const flutter::EncodableValue* arguments) {
  std::int32_t chunk_ms = kDefaultChunkMs;
  if (const auto* requested = ArgumentOfKind<std::int32_t>(arguments, "chunk_ms")) chunk_ms = *requested;
  if (chunk_ms > kMaxChunkMs) chunk_ms = kMaxChunkMs;
  if (chunk_ms < kMinChunkMs) chunk_ms = kMinChunkMs;
  return chunk_ms;
}

CaptureOptions CaptureOptionsFromArguments(const flutter::EncodableValue* arguments) {
  CaptureOptions options;
  options.keep_alive = FlagArgument(arguments, "keep_alive");
  options.follow_default_device = FlagArgument(arguments, "follow_default_device");
  options.exclude_own_audio = FlagArgument(arguments, "exclude_own_audio");
  const auto* quality = ArgumentOfKind<std::string>(arguments, "quality");
  if (quality != nullptr && *quality == "high") options.quality = ConversionQuality::kHigh;
  return options;
}

flutter::EncodableValue StatusValue(const CaptureStatusSnapshot& status) {
  using flutter::EncodableValue;
  EncodableValue format;
  if (status.format) {
    format = EncodableValue(flutter::ValueMap{
        {EncodableValue("sample_rate"), EncodableValue(status.format->sample_rate)},
        {EncodableValue("channels"), EncodableValue(status.format->channels)},
        {EncodableValue("float"), EncodableValue(status.format->is_float)},
    });
  }
  // The code as the platform's documentation writes it (0x88890003 is
  // 2290679811), never negative, hence 64 bits.
  const auto code_value = [](const std::optional<std::uint32_t>& code) {
    return code ? EncodableValue(static_cast<std::int64_t>(*code)) : EncodableValue();
  };
  const EncodableValue result_code = code_value(status.result_code);
  flutter::ValueMap answer{
      {EncodableValue("state"), EncodableValue(CaptureStateName(status.state))},
      {EncodableValue("error"), OptionalText(status.error)},
      {EncodableValue("hresult"), result_code},
      {EncodableValue("device"), OptionalText(status.device)},
      {EncodableValue("format"), format},
      {EncodableValue("chunks_emitted"), Count(status.chunks_emitted)},
      {EncodableValue("chunks_dropped"), Count(status.chunks_dropped)},
      {EncodableValue("silence_ms"), Count(status.silence_samples * 1000 / kOutputSampleRate)},
      {EncodableValue("device_switches"), Count(status.device_switches)},
  };
  // Only after a recovery, so that every other answer stays as it was.
  if (status.last_error) {
    answer.emplace(EncodableValue("last_error"), EncodableValue(*status.last_error));
    answer.emplace(EncodableValue("last_hresult"), code_value(status.last_result_code));
  }
  // Only for a capture that asked to leave its own sound out.
  if (status.exclusion) {
    const ExclusionStatus& exclusion = *status.exclusion;
    answer.emplace(EncodableValue("mode"), EncodableValue(exclusion.in_effect ? "exclude_own_audio" : "endpoint"));
    if (exclusion.failed_call) {
      answer.emplace(EncodableValue("exclusion_error"),
                     EncodableValue(flutter::ValueMap{
                         {EncodableValue("step"), EncodableValue(*exclusion.failed_call)},
                         {EncodableValue("hresult"), code_value(exclusion.result_code)},
                     }));
    }
    answer.emplace(EncodableValue("os_build"),
                   status.os_build ? EncodableValue(static_cast<std::int64_t>(*status.os_build)) : EncodableValue());
    answer.emplace(EncodableValue("discontinuities"), Count(status.discontinuities));
    answer.emplace(EncodableValue("timestamp_errors"), Count(status.timestamp_errors));
  }
  if (status.quality != nullptr) answer.emplace(EncodableValue("quality"), EncodableValue(status.quality));
  return EncodableValue(std::move(answer));
}

bool ForwardChunkToSink(std::vector<std::uint8_t> chunk, const EventSinkSlot& sink_slot,
                        const flutter::MessengerReference& messenger) {
  const std::shared_ptr<flutter::EventSink> sink = sink_slot.Get();
  if (!sink) return false;
  const flutter::EncodableValue event(std::move(chunk));
  return messenger.IfEngineAvailable([&] { sink->EmitEvent(&event); });
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
        [sink_slot, messenger, status = capture->status()](std::vector<std::uint8_t> chunk) {
          status->CountChunk(ForwardChunkToSink(std::move(chunk), *sink_slot, messenger));
        },
        [](const std::string&) {}, CaptureOptionsFromArguments(call.arguments()));
    result->Success(flutter::EncodableValue(started));
  } else if (method == "stop") {
    capture->Stop();
    result->Success();
  } else if (method == "get_status") {
    result->Success(StatusValue(capture->status()->Snapshot()));
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
