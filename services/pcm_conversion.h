// The capture pipeline's conversion steps: down-mix of device packets to
// mono, linear resampling to 16000 Hz, quantising to signed 16 bits and
// cutting chunks. Free of threads and devices, so the capture loop, the
// offline tool and the benchmark all run the same code.
#ifndef KESTRO_SERVICES_PCM_CONVERSION_H_
#define KESTRO_SERVICES_PCM_CONVERSION_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "audio_endpoint.h"

namespace kestro {

inline constexpr std::int32_t kOutputSampleRate = 16000;

// Samples per chunk: chunk_ms x 16 in wrapping 32-bit arithmetic, at least 1.
std::int32_t ChunkSamples(std::int32_t chunk_ms);

// Input samples consumed per output sample.
double ResampleStep(std::int32_t sample_rate);

// Which loops convert: the ones specialised per layout and step, or the
// plain ones that follow the definition sample by sample. Both give the
// same bits; the plain ones are kept to test the specialised ones against.
enum class ConversionLoops { kSpecialised, kPlain };

// Appends one mono sample per frame of the packet: the average of its
// channels (max(1, channel_count) of them), or zeros for a silent packet or
// one without data. mono_input grows at most once, to exactly fit.
void DownMixPacket(const AudioPacket& packet, std::int32_t channel_count, bool is_float,
                   std::vector<float>& mono_input, ConversionLoops loops = ConversionLoops::kSpecialised);

// Maps a mono sample to 16 bits: clamp to [-1, 1], scale by 32767 in single
// precision, truncate. A NaN, which only broken input can produce, becomes 0.
std::int16_t QuantizeSample(float value);

// Receives each chunk cut from pending_output, as signed 16-bit
// little-endian bytes.
using ChunkSink = std::function<void(std::vector<std::uint8_t> chunk)>;

// The resampler's state; it belongs to the capture thread.
struct ResamplerState {
  double& read_position;
  std::vector<float>& mono_input;
  std::vector<std::int16_t>& pending_output;
};

// Tells whether capture goes on; asked at least every 256 output samples
// and before each chunk is handed out.
using KeepRunning = std::function<bool()>;

// Produces output samples while two input samples surround the read
// position and `keep_running` holds, handing every full chunk to `sink`,
// and discards consumed input after a chunk and whenever more than 4096
// samples lie before the read position.
void Resample(double step, std::int32_t chunk_samples, const KeepRunning& keep_running, const ResamplerState& state,
              const ChunkSink& sink, ConversionLoops loops = ConversionLoops::kSpecialised);

// Appends `count` zero samples to pending_output, handing every full chunk
// to `sink`, while `keep_running` holds (asked before each chunk).
void AppendSilence(std::uint64_t count, std::int32_t chunk_samples, const KeepRunning& keep_running,
                   std::vector<std::int16_t>& pending_output, const ChunkSink& sink);

// Appends `count` samples to pending_output, handing every full chunk to
// `sink`, while `keep_running` holds (asked before each chunk).
void AppendSamples(const std::int16_t* samples, std::size_t count, std::int32_t chunk_samples,
                   const KeepRunning& keep_running, std::vector<std::int16_t>& pending_output, const ChunkSink& sink);

}  // namespace kestro

#endif  // KESTRO_SERVICES_PCM_CONVERSION_H_
