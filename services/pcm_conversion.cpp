#include "pcm_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

#include "pcm_kernels.h"

namespace kestro {
namespace {

constexpr float kInt16ToFloat = 3.0517578125e-05f;  // 1 / 32768
constexpr std::size_t kDiscardAfter = 4096;
// Output samples produced between two questions to keep_running.
constexpr std::size_t kBatchSamples = 256;
// Frames averaged in single precision at a time; a block that needs double
// precision is done again whole.
constexpr std::size_t kStagingFrames = 256;
// The specialised loops take read positions in 32 bits; a longer input
// (which no device delivers) takes the plain ones.
constexpr std::size_t kSpecialisedInputLimit = std::size_t{1} << 30;

using pcm_kernels::LoadFloat;
using pcm_kernels::Quantize;

bool IsLittleEndianHost() {
  const std::uint16_t probe = 1;
  std::uint8_t first_byte;
  std::memcpy(&first_byte, &probe, 1);
  return first_byte == 1;
}

std::int16_t LoadInt16(const std::uint8_t* bytes) {
  std::int16_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

float Int16ToFloat(std::int16_t sample) {
  return static_cast<float>(sample) * kInt16ToFloat;
}

float LoadInt16AsFloat(const std::uint8_t* bytes) {
  return Int16ToFloat(LoadInt16(bytes));
}

// Appends `count` slots to `samples`, growing its storage at most once and
// to exactly the new size; returns the first new slot.
float* AppendSlots(std::vector<float>& samples, std::size_t count) {
  const std::size_t old_size = samples.size();
  if (samples.capacity() < old_size + count) samples.reserve(old_size + count);
  samples.resize(old_size + count);
  return samples.data() + old_size;
}

// The general down-mix: channels summed in order in double precision, then
// divided by the channel count.
template <typename Load>
void MixAnyChannels(const std::uint8_t* data, std::size_t frames, std::size_t channels, std::size_t sample_bytes,
                    Load load, float* out) {
  const double divisor = static_cast<double>(channels);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const std::uint8_t* first = data + frame * channels * sample_bytes;
    double sum = 0.0;
    for (std::size_t channel = 0; channel < channels; ++channel) {
      sum += static_cast<double>(load(first + channel * sample_bytes));
    }
    out[frame] = static_cast<float>(sum / divisor);
  }
}

// Two float channels averaged in single precision, which gives the defined
// double-precision result unless the sum overflows; a block where it may
// have is done again in double precision.
void MixFloatStereo(const std::uint8_t* data, std::size_t frames, float* out) {
  for (std::size_t first = 0; first < frames; first += kStagingFrames) {
    const std::size_t count = std::min(kStagingFrames, frames - first);
    if (!pcm_kernels::AverageStereoFloat(data + first * 8, count, out + first)) {
      MixAnyChannels(data + first * 8, count, 2, sizeof(float), LoadFloat, out + first);
    }
  }
}

// The common layouts, with the same results as the general down-mix (up to
// the sign of zero, which quantises alike): one channel is the sample
// itself, and two 16-bit samples scaled by 1/32768 add and halve exactly.
void MixFloat(const std::uint8_t* data, std::size_t frames, std::size_t channels, float* out) {
  if (channels == 1) {
    std::memcpy(out, data, frames * sizeof(float));
  } else if (channels == 2) {
    MixFloatStereo(data, frames, out);
  } else {
    MixAnyChannels(data, frames, channels, sizeof(float), LoadFloat, out);
  }
}

void MixInt16(const std::uint8_t* data, std::size_t frames, std::size_t channels, float* out) {
  if (channels == 1) {
    for (std::size_t frame = 0; frame < frames; ++frame) {
      out[frame] = Int16ToFloat(LoadInt16(data + frame * 2));
    }
  } else if (channels == 2) {
    for (std::size_t frame = 0; frame < frames; ++frame) {
      const std::int32_t sum = LoadInt16(data + frame * 4) + LoadInt16(data + frame * 4 + 2);
      out[frame] = static_cast<float>(sum) * (kInt16ToFloat * 0.5f);
    }
  } else {
    MixAnyChannels(data, frames, channels, sizeof(std::int16_t), LoadInt16AsFloat, out);
  }
}

// Where a batch of output samples ended.
struct BatchEnd {
  std::size_t count = 0;       // samples written
  std::size_t last_index = 0;  // i of the last sample written
  bool input_exhausted = false;
};

// Linear interpolation at the read position: b - a in single precision,
// product and sum in double precision.
BatchEnd InterpolatingBatch(double step, const std::vector<float>& input, double& read_position, std::size_t limit,
                            std::int16_t* out) {
  BatchEnd end;
  const float* samples = input.data();
  const std::size_t size = input.size();
  double position = read_position;
  while (end.count < limit) {
    const std::size_t i = static_cast<std::size_t>(position);
    if (i + 1 >= size) {
      end.input_exhausted = true;
      break;
    }
    const float a = samples[i];
    const float b = samples[i + 1];
    const double fraction = position - static_cast<double>(i);
    const float value = static_cast<float>(static_cast<double>(a) + static_cast<double>(b - a) * fraction);
    out[end.count++] = Quantize(value);
    position += step;
    end.last_index = i;
    if (i > kDiscardAfter) break;
  }
  read_position = position;
  return end;
}

// InterpolatingBatch in two passes. The first walks the read position,
// whose additions form the only chain from sample to sample, and gathers
// each sample's neighbours; the second, free of dependencies and exits,
// interpolates and quantises, and vectorises. Positions are taken in 32
// bits, which the caller guarantees by the input's size.
BatchEnd SplitInterpolatingBatch(double step, const std::vector<float>& input, double& read_position,
                                 std::size_t limit, std::int16_t* out) {
  BatchEnd end;
  const float* samples = input.data();
  const auto last_pair = static_cast<std::int32_t>(input.size()) - 1;  // i must stay below
  float first[kBatchSamples];
  float rise[kBatchSamples];
  double fraction[kBatchSamples];
  double position = read_position;
  while (end.count < limit) {
    const auto i = static_cast<std::int32_t>(position);
    if (i >= last_pair) {
      end.input_exhausted = true;
      break;
    }
    const float a = samples[i];
    first[end.count] = a;
    rise[end.count] = samples[i + 1] - a;
    fraction[end.count] = position - static_cast<double>(i);
    ++end.count;
    position += step;
    end.last_index = static_cast<std::size_t>(i);
    if (end.last_index > kDiscardAfter) break;
  }
  pcm_kernels::InterpolateAndQuantize(first, rise, fraction, end.count, out);
  read_position = position;
  return end;
}

// A whole step from a whole position never interpolates: the fraction is
// 0, so the value is a + (b - a) x 0, which is a itself unless b - a is not
// finite. The samples a batch can take are counted first, so the loop
// itself has no exits.
BatchEnd PickingBatch(std::size_t step, const std::vector<float>& input, double& read_position, std::size_t limit,
                      std::int16_t* out) {
  BatchEnd end;
  const float* samples = input.data();
  const std::size_t size = input.size();
  const std::size_t first = static_cast<std::size_t>(read_position);
  // Samples whose i + 1 lies inside the input.
  const std::size_t available = first + 1 < size ? (size - first - 2) / step + 1 : 0;
  // The first sample with i beyond the discard threshold ends the batch.
  const std::size_t before_discard = first > kDiscardAfter ? 1 : (kDiscardAfter - first) / step + 2;
  end.count = std::min({limit, available, before_discard});
  end.input_exhausted = end.count == available && end.count < std::min(limit, before_discard);
  pcm_kernels::PickAndQuantize(samples + first, step, end.count, out);
  if (end.count > 0) end.last_index = first + (end.count - 1) * step;
  read_position = static_cast<double>(first + end.count * step);
  return end;
}

bool IsWhole(double value) {
  return value == std::floor(value);
}

// Drops the first `count` input samples, which lie before the read position.
void DiscardInput(std::size_t count, std::vector<float>& input, double& read_position) {
  input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(count));
  read_position = std::max(0.0, read_position - static_cast<double>(count));
}

// Samples as signed 16-bit little-endian bytes.
std::vector<std::uint8_t> ChunkBytes(const std::int16_t* samples, std::size_t count) {
  if (IsLittleEndianHost()) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(samples);
    return std::vector<std::uint8_t>(first, first + count * 2);
  }
  std::vector<std::uint8_t> bytes(count * 2);
  for (std::size_t k = 0; k < count; ++k) {
    const auto sample = static_cast<std::uint16_t>(samples[k]);
    bytes[2 * k] = static_cast<std::uint8_t>(sample & 0xFF);
    bytes[2 * k + 1] = static_cast<std::uint8_t>(sample >> 8);
  }
  return bytes;
}

// Takes the first `chunk` samples out of pending_output and hands them on
// as bytes.
void CutChunk(std::size_t chunk, std::vector<std::int16_t>& pending_output, const ChunkSink& sink) {
  std::vector<std::uint8_t> bytes = ChunkBytes(pending_output.data(), chunk);
  pending_output.erase(pending_output.begin(), pending_output.begin() + static_cast<std::ptrdiff_t>(chunk));
  sink(std::move(bytes));
}

// The plain batch follows the definition for any step; the others are its
// faster forms where they apply.
BatchEnd NextBatch(double step, const ResamplerState& state, std::size_t limit, ConversionLoops loops,
                   std::int16_t* out) {
  if (loops == ConversionLoops::kPlain || state.mono_input.size() >= kSpecialisedInputLimit) {
    return InterpolatingBatch(step, state.mono_input, state.read_position, limit, out);
  }
  if (IsWhole(step) && IsWhole(state.read_position)) {
    return PickingBatch(static_cast<std::size_t>(step), state.mono_input, state.read_position, limit, out);
  }
  return SplitInterpolatingBatch(step, state.mono_input, state.read_position, limit, out);
}

std::size_t ChunkSize(std::int32_t chunk_samples) {
  return static_cast<std::size_t>(std::max<std::int32_t>(chunk_samples, 1));
}

}  // namespace

std::int32_t ChunkSamples(std::int32_t chunk_ms) {
  const auto wrapped = static_cast<std::int32_t>(static_cast<std::uint32_t>(chunk_ms) * 16u);
  return std::max<std::int32_t>(wrapped, 1);
}

double ResampleStep(std::int32_t sample_rate) {
  return static_cast<double>(sample_rate) / static_cast<double>(kOutputSampleRate);
}

void DownMixPacket(const AudioPacket& packet, std::int32_t channel_count, bool is_float,
                   std::vector<float>& mono_input, ConversionLoops loops) {
  const std::size_t frames = packet.frames;
  // An empty packet adds nothing (and an empty mono_input has no storage to
  // copy into).
  if (frames == 0) return;
  float* out = AppendSlots(mono_input, frames);
  if ((packet.flags & kBufferFlagSilent) != 0 || packet.data == nullptr) {
    std::fill(out, out + frames, 0.0f);
    return;
  }
  const std::size_t channels = static_cast<std::size_t>(std::max<std::int32_t>(1, channel_count));
  if (loops == ConversionLoops::kPlain) {
    if (is_float) {
      MixAnyChannels(packet.data, frames, channels, sizeof(float), LoadFloat, out);
    } else {
      MixAnyChannels(packet.data, frames, channels, sizeof(std::int16_t), LoadInt16AsFloat, out);
    }
  } else if (is_float) {
    MixFloat(packet.data, frames, channels, out);
  } else {
    MixInt16(packet.data, frames, channels, out);
  }
}

std::int16_t QuantizeSample(float value) {
  return Quantize(value);
}

void Resample(double step, std::int32_t chunk_samples, const KeepRunning& keep_running, const ResamplerState& state,
              const ChunkSink& sink, ConversionLoops loops) {
  const std::size_t chunk = ChunkSize(chunk_samples);
  std::int16_t batch[kBatchSamples];
  while (keep_running()) {
    const std::size_t limit = std::min(kBatchSamples, chunk - state.pending_output.size());
    const BatchEnd end = NextBatch(step, state, limit, loops, batch);
    state.pending_output.insert(state.pending_output.end(), batch, batch + end.count);
    if (end.count > 0) {
      if (state.pending_output.size() >= chunk) {
        // The chunk's last sample counts as produced only if capture still
        // runs, as if it were asked before every sample.
        if (!keep_running()) return;
        CutChunk(chunk, state.pending_output, sink);
        DiscardInput(end.last_index, state.mono_input, state.read_position);
      } else if (end.last_index > kDiscardAfter) {
        DiscardInput(end.last_index, state.mono_input, state.read_position);
      }
    }
    if (end.input_exhausted) return;
  }
}

void AppendSilence(std::uint64_t count, std::int32_t chunk_samples, const KeepRunning& keep_running,
                   std::vector<std::int16_t>& pending_output, const ChunkSink& sink) {
  const std::size_t chunk = ChunkSize(chunk_samples);
  // One chunk at a time, so that a long gap never needs its whole length
  // in memory.
  while (count > 0 && keep_running()) {
    const std::size_t room = chunk - std::min(chunk, pending_output.size());
    const std::size_t added = static_cast<std::size_t>(std::min<std::uint64_t>(count, room));
    pending_output.insert(pending_output.end(), added, 0);
    count -= added;
    if (pending_output.size() >= chunk) CutChunk(chunk, pending_output, sink);
  }
}

void AppendSamples(const std::int16_t* samples, std::size_t count, std::int32_t chunk_samples,
                   const KeepRunning& keep_running, std::vector<std::int16_t>& pending_output, const ChunkSink& sink) {
  const std::size_t chunk = ChunkSize(chunk_samples);
  while (count > 0) {
    const std::size_t room = chunk - std::min(chunk, pending_output.size());
    const std::size_t added = std::min(count, room);
    pending_output.insert(pending_output.end(), samples, samples + added);
    samples += added;
    count -= added;
    if (pending_output.size() >= chunk) {
      // The chunk's last sample counts as produced only if capture still runs.
      if (!keep_running()) return;
      CutChunk(chunk, pending_output, sink);
    }
  }
}

}  // namespace kestro
