// The capture pipeline written plainly, step by step, as a careful engineer
// would without specialising it: the reference the production pipeline must
// match bit for bit, and the fair baseline it must beat. It does only the
// work the steps ask for: one general down-mix loop per sample format, one
// resampling loop, each chunk written once into its byte array, buffers
// kept between packets. It has no capture thread, so nothing is asked
// whether capture goes on.
#ifndef KESTRO_BENCH_AUDIO_LITERAL_PIPELINE_H_
#define KESTRO_BENCH_AUDIO_LITERAL_PIPELINE_H_

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
  void EmitChunk();
  void DiscardInput(std::size_t count);

  std::size_t channels_;
  bool is_float_;
  std::size_t chunk_samples_;
  double step_;
  Emit emit_;
  double read_position_ = 0;
  std::vector<float> mono_input_;
  std::vector<std::int16_t> pending_output_;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_AUDIO_LITERAL_PIPELINE_H_
