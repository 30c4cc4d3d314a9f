// The filtered conversion's inner product, in the widest form the processor
// runs. Every form sums the same sixteen partial sums in the same order,
// with separate multiplies and adds, so all give the same bits.
#ifndef KESTRO_SERVICES_FIR_KERNELS_H_
#define KESTRO_SERVICES_FIR_KERNELS_H_

#include <cstddef>

namespace kestro::fir_kernels {

// taps . input over `count` values, a multiple of four.
using DotProduct = float (*)(const float* taps, const float* input, std::size_t count);

enum class DotWidth { kWidest, kNarrow };

// kWidest: 8-lane AVX where the processor and system support it, else the
// 4-lane form; kNarrow: always the 4-lane form (SSE2, or plain C++).
DotProduct ChooseDotProduct(DotWidth width);

}  // namespace kestro::fir_kernels

#endif  // KESTRO_SERVICES_FIR_KERNELS_H_
