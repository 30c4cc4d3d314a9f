// "kestro/system_audio" (is_supported, start, stop, get_status) and the event channel
// "kestro/system_audio_events" that carries every captured chunk.
#ifndef KESTRO_SERVICES_SYSTEM_AUDIO_CHANNELS_H_
#define KESTRO_SERVICES_SYSTEM_AUDIO_CHANNELS_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "audio_endpoint.h"
#include "event_sink_slot.h"
#include "flutter/encodable_value.h"
#include "flutter/flutter_engine.h"
#include "flutter/messenger_reference.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"
#include "loopback_capture.h"

namespace kestro {

// Installs both channels on the engine's messenger. The capture engine, the
// sink slot and a reference on the engine library's messenger live as long
// as the channel handlers, that is until the engine goes. A null engine
// installs nothing.
void InstallSystemAudioChannels(flutter::FlutterEngine* engine);
// The same, capturing from `endpoint_factory` instead of the default device.
void InstallSystemAudioChannels(flutter::FlutterEngine* engine, AudioEndpointFactory endpoint_factory);

// The chunk length "start" asks for: "chunk_ms" when the arguments are a map
// holding it as a 32-bit integer, else 600; clamped to 80..2000.
std::int32_t ChunkMillisecondsFromArguments(const flutter::EncodableValue* arguments);

// The options "start" asks for: each flag counts only as a bool true, and
// "quality" is high only for the string "high".
CaptureOptions CaptureOptionsFromArguments(const flutter::EncodableValue* arguments);

// The "get_status" answer: a map of the state, the last error and its
// result code, the device, the format and the counts.
flutter::EncodableValue StatusValue(const CaptureStatusSnapshot& status);

void HandleSystemAudioCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                           const std::shared_ptr<KestroLoopbackCapture>& capture,
                           const std::shared_ptr<EventSinkSlot>& sink_slot,
                           const flutter::MessengerReference& messenger);

// Sends one chunk as a byte-list event to the current listener, on the
// capture thread; dropped when nobody listens or the engine is gone.
// Returns whether it was sent.
bool ForwardChunkToSink(std::vector<std::uint8_t> chunk, const EventSinkSlot& sink_slot,
                        const flutter::MessengerReference& messenger);

}  // namespace kestro

#endif  // KESTRO_SERVICES_SYSTEM_AUDIO_CHANNELS_H_
