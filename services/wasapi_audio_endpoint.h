// The Windows audio session API behind the audio endpoint seam.
#ifndef KESTRO_SERVICES_WASAPI_AUDIO_ENDPOINT_H_
#define KESTRO_SERVICES_WASAPI_AUDIO_ENDPOINT_H_

#include <memory>

#include "audio_endpoint.h"

namespace kestro {

// The product records the default render device in loopback; capturing
// the default capture device serves tests on systems whose loopback is
// incomplete.
enum class EndpointFlow { kRenderLoopback, kCapture };

std::unique_ptr<AudioEndpoint> CreateWasapiAudioEndpoint(EndpointFlow flow);

}  // namespace kestro

#endif  // KESTRO_SERVICES_WASAPI_AUDIO_ENDPOINT_H_
