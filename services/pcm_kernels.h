// The conversion's innermost loops, each in a vectorised form where the
// processor offers one (SSE2, every x86-64) and a plain form elsewhere. All
// forms give the same bits as the scalar definitions in pcm_conversion.cpp.
#ifndef KESTRO_SERVICES_PCM_KERNELS_H_
#define KESTRO_SERVICES_PCM_KERNELS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestro::pcm_kernels {

// A float sample from the device's bytes, which need not be aligned.
inline float LoadFloat(const std::uint8_t* bytes) {
  float value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Clamp to [-1, 1], scale by 32767 in single precision, truncate; NaN,
// which only broken input can produce, gives 0. No integer clamp is needed:
// after the float clamp the value cannot leave [-32767, 32767].
inline std::int16_t Quantize(float value) {
  const float clamped = std::min(std::max(value, -1.0f), 1.0f);
  const float defined = value == value ? clamped : 0.0f;
  return static_cast<std::int16_t>(static_cast<std::int32_t>(defined * 32767.0f));
}

// out[k] = Quantize(first[k] + rise[k] x fraction[k]), the sum and product
// in double precision, rounded to single precision before quantising.
void InterpolateAndQuantize(const float* first, const float* rise, const double* fraction, std::size_t count,
                            std::int16_t* out);

// out[k] = Quantize(a + (b - a) x 0) in single precision, with a =
// samples[k x step] and b the sample after it: a itself unless b - a is not
// finite.
void PickAndQuantize(const float* samples, std::size_t step, std::size_t count, std::int16_t* out);

// out[f] = the average of the two float channels of frame f, computed in
// single precision. That is the average computed in double precision as
// defined: the double sum rounded to float is the float sum (a double holds
// more than twice a float's bits), and halving commutes with rounding,
// down into the subnormal range. Only an overflowing sum differs, so this
// returns false when some average is not finite; out then holds no
// defined values.
bool AverageStereoFloat(const std::uint8_t* data, std::size_t frames, float* out);

}  // namespace kestro::pcm_kernels

#endif  // KESTRO_SERVICES_PCM_KERNELS_H_
