// The capture pipeline written down step by step as specified, with no
// attention to speed: the reference the production pipeline must match bit
// for bit, and the baseline it must beat.
#ifndef KESTRO_BENCH_AUDIO_LITERAL_PIPELINE_H_
#define KESTRO_BENCH_AUDIO_LITERAL_PIPELINE_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "audio_endpoint.h"

namespace kestro::bench {

class LiteralPipeline {
 public:
  using Emit = std::function<void(std::vector<std::uint8_t>)>;

  LiteralPipeline(std::int32_t sample_rate, std::int32_t channel_count, bool is_float, std::int32_t chunk_ms,
                  Emit emit);

  // Down-mix, then resample and quantise, cutting chunks as they fill.
  void Packet(const AudioPacket& packet);

 private:
  void DownMix(const AudioPacket& packet);
  void Resample();
  void EmitChunk(const std::vector<std::int16_t>& block);

  std::int32_t channel_count;
  bool is_float;
  std::int32_t chunk_samples;
  double step;
  Emit emit;
  std::atomic<bool> running{true};
  double read_position = 0;
  std::vector<float> mono_input;
  std::vector<std::int16_t> pending_output;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_AUDIO_LITERAL_PIPELINE_H_
