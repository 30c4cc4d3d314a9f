// The filtered conversion to 16000 Hz mono: down-mix, a linear-phase
// low-pass polyphase FIR evaluated at each output instant, rounding to 16
// bits, and the same chunk cutting as the default conversion. Output sample
// n belongs to the same input instant as in the default conversion (n x
// rate / 16000), so chunks stay on the same timeline; each waits for the
// filter's lookahead of input past its instant.
#ifndef KESTRO_SERVICES_FILTERED_RESAMPLER_H_
#define KESTRO_SERVICES_FILTERED_RESAMPLER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio_endpoint.h"
#include "fir_kernels.h"
#include "pcm_conversion.h"
#include "polyphase_filter_bank.h"

namespace kestro {

// How capture converts to 16 kHz: the default linear interpolation, or the
// filtered conversion below.
enum class ConversionQuality { kStandard, kHigh };

class FilteredResampler {
 public:
  // Rates it designs a filter for: up to 768 kHz, beyond which the filter
  // would take too long to design and too much memory.
  static bool Supports(std::int32_t sample_rate) { return sample_rate > 0 && sample_rate <= 768000; }

  // Designs the filter for a supported `sample_rate` and starts a fresh stream.
  // The only step that allocates, apart from growing `pending_output` to a
  // chunk. Every width gives the same output; kNarrow is there to test the
  // widest against.
  void Configure(std::int32_t sample_rate, fir_kernels::DotWidth width = fir_kernels::DotWidth::kWidest);
  std::int32_t sample_rate() const { return sample_rate_; }
  // Starts a fresh stream at the configured rate: no input, silence before it.
  void Reset();

  // Down-mixes the packet and produces every output sample whose taps it
  // completes, while `keep_running` holds (asked at least every 256
  // samples and before each chunk), handing every full chunk to `sink`.
  // The output depends only on the stream of frames, not on how packets
  // split it.
  void Convert(const AudioPacket& packet, std::int32_t channel_count, bool is_float, std::int32_t chunk_samples,
               const KeepRunning& keep_running, std::vector<std::int16_t>& pending_output, const ChunkSink& sink);

  // Input frames an output sample waits for past its own instant.
  std::size_t LookaheadFrames() const { return bank_.taps / 2; }

 private:
  void Produce(std::int32_t chunk_samples, const KeepRunning& keep_running, std::vector<std::int16_t>& pending_output,
               const ChunkSink& sink);
  float Evaluate(const float* first_input) const;

  std::int32_t sample_rate_ = 0;
  PolyphaseFilterBank bank_;
  fir_kernels::DotProduct dot_ = nullptr;
  // The bank's step split into whole frames and a remainder.
  std::int64_t whole_step_ = 0;
  std::uint64_t fraction_step_ = 0;
  // Mono input from absolute frame index `first_index_` on; its capacity is
  // fixed by Configure.
  std::vector<float> input_;
  std::int64_t first_index_ = 0;
  // The next output instant: whole input position and fraction (in units
  // of 1 / step_denominator).
  std::int64_t position_ = 0;
  std::uint64_t fraction_ = 0;
  // The next instant's row of an exact bank: its index mod step_denominator.
  std::size_t exact_row_ = 0;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_FILTERED_RESAMPLER_H_
