#include "pipeline_runners.h"

#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>

#include "filtered_resampler.h"
#include "literal_pipeline.h"
#include "pcm_conversion.h"

namespace kestro::bench {
namespace {

template <typename Sample>
void MixFrames(const std::uint8_t* data, std::size_t frames, std::size_t channels, float scale, float* out) {
  for (std::size_t frame = 0; frame < frames; ++frame) {
    float sum = 0.0f;
    for (std::size_t channel = 0; channel < channels; ++channel) {
      Sample sample;
      std::memcpy(&sample, data + (frame * channels + channel) * sizeof(Sample), sizeof(Sample));
      sum += static_cast<float>(sample);
    }
    out[frame] = sum * scale;
  }
}

// The peers' own down-mix into `mono`: the channels' average in single
// precision, the sample format chosen once per packet.
void PlainDownMix(const BenchInput& input, const AudioPacket& packet, std::vector<float>& mono) {
  const auto channels = static_cast<std::size_t>(std::max(1, input.layout.channel_count));
  const float average = 1.0f / static_cast<float>(channels);
  mono.resize(packet.frames);
  if (input.layout.is_float) {
    MixFrames<float>(packet.data, packet.frames, channels, average, mono.data());
  } else {
    MixFrames<std::int16_t>(packet.data, packet.frames, channels, average * (1.0f / 32768.0f), mono.data());
  }
}

std::size_t MaxOutput(const BenchInput& input, std::size_t frames) {
  return frames * 16000 / static_cast<std::size_t>(input.layout.sample_rate) + 16;
}

// Clamps and truncates to 16 bits, as the peers' float output is taken.
void ToInt16(const std::vector<float>& resampled, std::size_t count, std::vector<std::int16_t>& output,
             std::vector<std::int16_t>* kept) {
  output.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    output[k] = static_cast<std::int16_t>(std::clamp(resampled[k], -1.0f, 1.0f) * 32767.0f);
  }
  if (kept != nullptr) kept->insert(kept->end(), output.begin(), output.end());
}

// A float peer's run: each packet down-mixed as ours is first, resampled by
// `resample` (mono in, frames made out), made 16-bit and counted.
template <typename Resample>
std::size_t RunFloatPeer(const BenchInput& input, std::vector<std::int16_t>* kept, Resample resample) {
  std::vector<float> mono;
  std::vector<float> resampled;
  std::vector<std::int16_t> output;
  std::size_t produced = 0;
  for (const AudioPacket& packet : input.packets) {
    PlainDownMix(input, packet, mono);
    resampled.resize(MaxOutput(input, packet.frames));
    ToInt16(resampled, resample(mono, resampled), output, kept);
    produced += output.size();
  }
  return produced;
}

}  // namespace

void RunProduction(const BenchInput& input, std::int32_t chunk_ms, const ChunkSink& sink) {
  double read_position = 0;
  std::vector<float> mono_input;
  std::vector<std::int16_t> pending_output;
  const ResamplerState state{read_position, mono_input, pending_output};
  const double step = ResampleStep(input.layout.sample_rate);
  const std::int32_t chunk_samples = ChunkSamples(chunk_ms);
  const KeepRunning keep_running = [] { return true; };
  for (const AudioPacket& packet : input.packets) {
    DownMixPacket(packet, input.layout.channel_count, input.layout.is_float, mono_input);
    Resample(step, chunk_samples, keep_running, state, sink);
  }
}

void RunFiltered(const BenchInput& input, std::int32_t chunk_ms, const ChunkSink& sink) {
  FilteredResampler resampler;
  resampler.Configure(input.layout.sample_rate);
  std::vector<std::int16_t> pending_output;
  const std::int32_t chunk_samples = ChunkSamples(chunk_ms);
  const KeepRunning keep_running = [] { return true; };
  for (const AudioPacket& packet : input.packets) {
    resampler.Convert(packet, input.layout.channel_count, input.layout.is_float, chunk_samples, keep_running,
                      pending_output, sink);
  }
}

void RunLiteral(const BenchInput& input, std::int32_t chunk_ms, const ChunkSink& sink) {
  LiteralPipeline pipeline(input.layout.sample_rate, input.layout.channel_count, input.layout.is_float, chunk_ms, sink);
  for (const AudioPacket& packet : input.packets) pipeline.Packet(packet);
}

std::size_t RunLibsamplerateLinear(const BenchInput& input) {
  int error = 0;
  std::unique_ptr<SRC_STATE, SRC_STATE* (*)(SRC_STATE*)> state(src_new(SRC_LINEAR, 1, &error), src_delete);
  if (!state) throw std::runtime_error(src_strerror(error));
  std::vector<float> mono;
  std::vector<float> resampled;
  std::vector<short> output;
  std::size_t produced = 0;
  for (const AudioPacket& packet : input.packets) {
    PlainDownMix(input, packet, mono);
    resampled.resize(MaxOutput(input, packet.frames));
    SRC_DATA data{};
    data.data_in = mono.data();
    data.data_out = resampled.data();
    data.input_frames = static_cast<long>(mono.size());
    data.output_frames = static_cast<long>(resampled.size());
    data.src_ratio = 16000.0 / input.layout.sample_rate;
    src_process(state.get(), &data);
    output.resize(static_cast<std::size_t>(data.output_frames_gen));
    src_float_to_short_array(resampled.data(), output.data(), static_cast<int>(data.output_frames_gen));
    produced += output.size();
  }
  return produced;
}

std::size_t RunSpeexdsp(const BenchInput& input, int quality, std::vector<std::int16_t>* kept) {
  int error = 0;
  std::unique_ptr<SpeexResamplerState, void (*)(SpeexResamplerState*)> state(
      speex_resampler_init(1, static_cast<spx_uint32_t>(input.layout.sample_rate), 16000, quality, &error),
      speex_resampler_destroy);
  if (!state) throw std::runtime_error(speex_resampler_strerror(error));
  return RunFloatPeer(input, kept, [&](const std::vector<float>& mono, std::vector<float>& resampled) {
    spx_uint32_t in_length = static_cast<spx_uint32_t>(mono.size());
    spx_uint32_t out_length = static_cast<spx_uint32_t>(resampled.size());
    speex_resampler_process_float(state.get(), 0, mono.data(), &in_length, resampled.data(), &out_length);
    return std::size_t{out_length};
  });
}

std::size_t RunSoxrLow(const BenchInput& input, SoxrBand band, std::vector<std::int16_t>* kept) {
  soxr_error_t error = nullptr;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t quality = soxr_quality_spec(SOXR_LQ, SOXR_LINEAR_PHASE);
  if (band == SoxrBand::kFilteredConversion) {
    // Fractions of the output's Nyquist frequency, 8 kHz.
    quality.passband_end = 7000.0 / 8000.0;
    quality.stopband_begin = 8500.0 / 8000.0;
  }
  std::unique_ptr<std::remove_pointer_t<soxr_t>, void (*)(soxr_t)> state(
      soxr_create(input.layout.sample_rate, 16000, 1, &error, &io, &quality, nullptr), soxr_delete);
  if (!state || error != nullptr) throw std::runtime_error(error != nullptr ? error : "soxr_create failed");
  return RunFloatPeer(input, kept, [&](const std::vector<float>& mono, std::vector<float>& resampled) {
    std::size_t used = 0;
    std::size_t made = 0;
    soxr_process(state.get(), mono.data(), mono.size(), &used, resampled.data(), resampled.size(), &made);
    return made;
  });
}

std::size_t RunMemcpy(const BenchInput& input, std::vector<std::uint8_t>& copy) {
  const std::size_t frame_bytes = input.stream.size() / std::max<std::size_t>(1, input.frames);
  copy.resize(input.stream.size());
  std::size_t offset = 0;
  for (const AudioPacket& packet : input.packets) {
    std::memcpy(copy.data() + offset, packet.data, packet.frames * frame_bytes);
    offset += packet.frames * frame_bytes;
  }
  return copy[copy.size() / 2] + offset;
}

}  // namespace kestro::bench
