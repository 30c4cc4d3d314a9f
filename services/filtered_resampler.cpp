#include "filtered_resampler.h"

#include <algorithm>
#include <cmath>

namespace kestro {
namespace {

// Frames down-mixed at a time, so that the input buffer never grows with
// the device's packet size.
constexpr std::size_t kBlockFrames = 1024;
constexpr std::size_t kBatchSamples = 256;

// Clamp to [-1, 1], scale by 32767, round to nearest (ties to even). A
// NaN, which only broken input can produce, becomes 0.
std::int16_t RoundToInt16(float value) {
  if (!(value == value)) return 0;
  const float clamped = std::min(1.0f, std::max(-1.0f, value));
  return static_cast<std::int16_t>(std::nearbyint(clamped * 32767.0f));
}

}  // namespace

void FilteredResampler::Configure(std::int32_t sample_rate, fir_kernels::DotWidth width) {
  sample_rate_ = sample_rate;
  dot_ = fir_kernels::ChooseDotProduct(width);
  bank_ = DesignFilterBank(sample_rate);
  whole_step_ = static_cast<std::int64_t>(bank_.step_numerator / bank_.step_denominator);
  fraction_step_ = bank_.step_numerator % bank_.step_denominator;
  input_.clear();
  input_.reserve(bank_.taps + kBlockFrames);
  Reset();
}

void FilteredResampler::Reset() {
  // Silence before the stream: the first instants' taps reach back into it.
  const std::size_t history = bank_.taps / 2 - 1;
  input_.assign(history, 0.0f);
  first_index_ = -static_cast<std::int64_t>(history);
  position_ = 0;
  fraction_ = 0;
  exact_row_ = 0;
}

void FilteredResampler::Convert(const AudioPacket& packet, std::int32_t channel_count, bool is_float,
                                std::int32_t chunk_samples, const KeepRunning& keep_running,
                                std::vector<std::int16_t>& pending_output, const ChunkSink& sink) {
  const std::size_t frame_bytes =
      static_cast<std::size_t>(std::max<std::int32_t>(1, channel_count)) * (is_float ? 4 : 2);
  for (std::uint32_t done = 0; done < packet.frames;) {
    AudioPacket block = packet;
    block.frames = static_cast<std::uint32_t>(std::min<std::size_t>(kBlockFrames, packet.frames - done));
    if (packet.data != nullptr) block.data = packet.data + static_cast<std::size_t>(done) * frame_bytes;
    DownMixPacket(block, channel_count, is_float, input_);
    done += block.frames;
    Produce(chunk_samples, keep_running, pending_output, sink);
    if (!keep_running()) return;
  }
}

float FilteredResampler::Evaluate(const float* first_input) const {
  if (bank_.exact) return dot_(bank_.Row(exact_row_), first_input, bank_.taps);
  // The rows around the fraction, weighed by where it lies between them.
  const std::uint64_t scaled = fraction_ * (bank_.rows - 1);
  const auto row = static_cast<std::size_t>(scaled / bank_.step_denominator);
  const float weight =
      static_cast<float>(static_cast<double>(scaled % bank_.step_denominator) / static_cast<double>(bank_.step_denominator));
  const float low = dot_(bank_.Row(row), first_input, bank_.taps);
  const float high = dot_(bank_.Row(row + 1), first_input, bank_.taps);
  return low + (high - low) * weight;
}

void FilteredResampler::Produce(std::int32_t chunk_samples, const KeepRunning& keep_running,
                                std::vector<std::int16_t>& pending_output, const ChunkSink& sink) {
  const auto half = static_cast<std::int64_t>(bank_.taps / 2);
  const std::int64_t end_index = first_index_ + static_cast<std::int64_t>(input_.size());
  std::int16_t batch[kBatchSamples];
  while (keep_running()) {
    std::size_t count = 0;
    // An instant at position i (plus a fraction) needs inputs up to i + half.
    while (count < kBatchSamples && position_ + half < end_index) {
      const float* first = input_.data() + (position_ - half + 1 - first_index_);
      batch[count++] = RoundToInt16(Evaluate(first));
      position_ += whole_step_;
      fraction_ += fraction_step_;
      if (fraction_ >= bank_.step_denominator) {
        fraction_ -= bank_.step_denominator;
        ++position_;
      }
      if (++exact_row_ == bank_.rows) exact_row_ = 0;
    }
    if (count == 0) break;
    AppendSamples(batch, count, chunk_samples, keep_running, pending_output, sink);
  }
  // Keep only what the next instant's taps reach back to.
  const std::int64_t keep_from = std::min(position_ - half + 1, end_index);
  if (keep_from > first_index_) {
    input_.erase(input_.begin(), input_.begin() + (keep_from - first_index_));
    first_index_ = keep_from;
  }
}

}  // namespace kestro
