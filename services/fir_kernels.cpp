#include "fir_kernels.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#include <immintrin.h>
#define KESTRO_FIR_AVX 1
#endif
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
// Microsoft's compiler takes AVX intrinsics in any function, and has SSE2 on
// every x64 target without saying so.
#define KESTRO_FIR_TARGET_AVX
#define KESTRO_FIR_SSE2 1
#else
#define KESTRO_FIR_TARGET_AVX __attribute__((target("avx")))
#if defined(__SSE2__)
#define KESTRO_FIR_SSE2 1
#endif
#endif

namespace kestro::fir_kernels {
namespace {

// Partial sum p collects taps k with k mod 16 == p, a tail of four goes to
// sums 0..3; they combine as ((s0..3 + s4..7) + (s8..11 + s12..15)), then
// lanes as (l0 + l1) + (l2 + l3). Whatever the alignment, so that a sample
// never depends on where the buffer happens to start.
float DotNarrow(const float* taps, const float* input, std::size_t count) {
#if defined(KESTRO_FIR_SSE2)
  __m128 a0 = _mm_setzero_ps();
  __m128 a1 = _mm_setzero_ps();
  __m128 a2 = _mm_setzero_ps();
  __m128 a3 = _mm_setzero_ps();
  std::size_t k = 0;
  for (; k + 16 <= count; k += 16) {
    a0 = _mm_add_ps(a0, _mm_mul_ps(_mm_loadu_ps(taps + k), _mm_loadu_ps(input + k)));
    a1 = _mm_add_ps(a1, _mm_mul_ps(_mm_loadu_ps(taps + k + 4), _mm_loadu_ps(input + k + 4)));
    a2 = _mm_add_ps(a2, _mm_mul_ps(_mm_loadu_ps(taps + k + 8), _mm_loadu_ps(input + k + 8)));
    a3 = _mm_add_ps(a3, _mm_mul_ps(_mm_loadu_ps(taps + k + 12), _mm_loadu_ps(input + k + 12)));
  }
  for (; k < count; k += 4) a0 = _mm_add_ps(a0, _mm_mul_ps(_mm_loadu_ps(taps + k), _mm_loadu_ps(input + k)));
  const __m128 sum = _mm_add_ps(_mm_add_ps(a0, a1), _mm_add_ps(a2, a3));
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, sum);
  return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
#else
  float partial[16] = {};
  std::size_t k = 0;
  for (; k + 16 <= count; k += 16) {
    for (std::size_t p = 0; p < 16; ++p) partial[p] += taps[k + p] * input[k + p];
  }
  for (; k < count; k += 4) {
    for (std::size_t p = 0; p < 4; ++p) partial[p] += taps[k + p] * input[k + p];
  }
  float lanes[4];
  for (std::size_t l = 0; l < 4; ++l) lanes[l] = (partial[l] + partial[l + 4]) + (partial[l + 8] + partial[l + 12]);
  return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
#endif
}

#if defined(KESTRO_FIR_AVX)
// The same sums on 8 lanes: b0 holds s0..7, b1 s8..15. No fused
// multiply-add, which would round differently.
KESTRO_FIR_TARGET_AVX float DotAvx(const float* taps, const float* input, std::size_t count) {
  __m256 b0 = _mm256_setzero_ps();
  __m256 b1 = _mm256_setzero_ps();
  std::size_t k = 0;
  for (; k + 16 <= count; k += 16) {
    b0 = _mm256_add_ps(b0, _mm256_mul_ps(_mm256_loadu_ps(taps + k), _mm256_loadu_ps(input + k)));
    b1 = _mm256_add_ps(b1, _mm256_mul_ps(_mm256_loadu_ps(taps + k + 8), _mm256_loadu_ps(input + k + 8)));
  }
  __m128 a0 = _mm256_castps256_ps128(b0);
  for (; k < count; k += 4) a0 = _mm_add_ps(a0, _mm_mul_ps(_mm_loadu_ps(taps + k), _mm_loadu_ps(input + k)));
  const __m128 low = _mm_add_ps(a0, _mm256_extractf128_ps(b0, 1));
  const __m128 high = _mm_add_ps(_mm256_castps256_ps128(b1), _mm256_extractf128_ps(b1, 1));
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, _mm_add_ps(low, high));
  return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
}

bool ProcessorHasAvx() {
#if defined(_MSC_VER) && !defined(__clang__)
  // AVX, and the system saving the wide registers (OSXSAVE, XCR0 bits 1-2).
  int info[4];
  __cpuid(info, 1);
  const bool avx = (info[2] & (1 << 28)) != 0 && (info[2] & (1 << 27)) != 0;
  return avx && (_xgetbv(0) & 6) == 6;
#else
  return __builtin_cpu_supports("avx");
#endif
}
#endif

}  // namespace

DotProduct ChooseDotProduct(DotWidth width) {
#if defined(KESTRO_FIR_AVX)
  // The check includes the system's saving of the wide registers.
  if (width == DotWidth::kWidest && ProcessorHasAvx()) return DotAvx;
#else
  (void)width;
#endif
  return DotNarrow;
}

}  // namespace kestro::fir_kernels
