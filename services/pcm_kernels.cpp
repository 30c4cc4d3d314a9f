#include "pcm_kernels.h"

#include <cmath>
#include <limits>

// Microsoft's compiler has SSE2 on every x64 target but does not say so
// the way the others do.
#if defined(__SSE2__) || defined(_M_X64)
#define KESTRO_PCM_SSE2 1
#include <emmintrin.h>
#endif

namespace kestro::pcm_kernels {
namespace {

// The largest finite float: a single-precision average beyond it overflowed
// where the double-precision one did not.
constexpr float kLargest = std::numeric_limits<float>::max();

#if defined(KESTRO_PCM_SSE2)
// Quantize on four lanes; maxps gives its second operand for a NaN, and
// the ordered mask then makes that lane 0.
__m128i Quantize4(__m128 value) {
  const __m128 clamped = _mm_min_ps(_mm_max_ps(value, _mm_set1_ps(-1.0f)), _mm_set1_ps(1.0f));
  const __m128 defined = _mm_and_ps(clamped, _mm_cmpord_ps(value, value));
  return _mm_cvttps_epi32(_mm_mul_ps(defined, _mm_set1_ps(32767.0f)));
}

void Store4(__m128i values, std::int16_t* out) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(values, values));
}
#endif

}  // namespace

void InterpolateAndQuantize(const float* first, const float* rise, const double* fraction, std::size_t count,
                            std::int16_t* out) {
  std::size_t k = 0;
#if defined(KESTRO_PCM_SSE2)
  for (; k + 4 <= count; k += 4) {
    const __m128 a = _mm_loadu_ps(first + k);
    const __m128 r = _mm_loadu_ps(rise + k);
    const __m128d low = _mm_add_pd(_mm_cvtps_pd(a), _mm_mul_pd(_mm_cvtps_pd(r), _mm_loadu_pd(fraction + k)));
    const __m128d high = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(a, a)),
                                    _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(r, r)), _mm_loadu_pd(fraction + k + 2)));
    Store4(Quantize4(_mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high))), out + k);
  }
#endif
  for (; k < count; ++k) {
    const double value = static_cast<double>(first[k]) + static_cast<double>(rise[k]) * fraction[k];
    out[k] = Quantize(static_cast<float>(value));
  }
}

void PickAndQuantize(const float* samples, std::size_t step, std::size_t count, std::int16_t* out) {
  std::size_t k = 0;
#if defined(KESTRO_PCM_SSE2)
  for (; k + 4 <= count; k += 4) {
    const float* at = samples + k * step;
    const __m128 a = _mm_setr_ps(at[0], at[step], at[2 * step], at[3 * step]);
    const __m128 b = _mm_setr_ps(at[1], at[step + 1], at[2 * step + 1], at[3 * step + 1]);
    Store4(Quantize4(_mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), _mm_setzero_ps()))), out + k);
  }
#endif
  for (; k < count; ++k) {
    const float a = samples[k * step];
    const float b = samples[k * step + 1];
    out[k] = Quantize(a + (b - a) * 0.0f);
  }
}

bool AverageStereoFloat(const std::uint8_t* data, std::size_t frames, float* out) {
  std::size_t f = 0;
#if defined(KESTRO_PCM_SSE2)
  const __m128 half = _mm_set1_ps(0.5f);
  const __m128 sign = _mm_set1_ps(-0.0f);
  __m128 outside = _mm_setzero_ps();  // lanes that saw an average not finite
  for (; f + 4 <= frames; f += 4) {
    const __m128 low = _mm_loadu_ps(reinterpret_cast<const float*>(data + f * 8));
    const __m128 high = _mm_loadu_ps(reinterpret_cast<const float*>(data + f * 8 + 16));
    const __m128 left = _mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 right = _mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 average = _mm_mul_ps(_mm_add_ps(left, right), half);
    // Not finite (NaN included, which would not need the double precision).
    outside = _mm_or_ps(outside, _mm_cmpnle_ps(_mm_andnot_ps(sign, average), _mm_set1_ps(kLargest)));
    _mm_storeu_ps(out + f, average);
  }
  if (_mm_movemask_ps(outside) != 0) return false;
#endif
  bool exact = true;
  for (; f < frames; ++f) {
    const float average = (LoadFloat(data + f * 8) + LoadFloat(data + f * 8 + 4)) * 0.5f;
    exact = exact && std::fabs(average) <= kLargest;
    out[f] = average;
  }
  return exact;
}

}  // namespace kestro::pcm_kernels
