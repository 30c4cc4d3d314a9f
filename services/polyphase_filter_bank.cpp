#include "polyphase_filter_bank.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "pcm_conversion.h"

namespace kestro {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Where the response is half down, and the window's shape: together they
// put 7 kHz within 0.5 dB and 8.5 kHz beyond 80 dB with the shortest taps.
constexpr double kCutoffHz = 7580.0;
constexpr double kKaiserBeta = 9.0;
// Taps either side of the instant, in seconds of input.
constexpr double kHalfSpanSeconds = 0.0016;
// Beyond this many distinct fractions, rows are interpolated instead.
constexpr std::uint64_t kMaxExactRows = 512;
constexpr std::size_t kInterpolatedRows = 512;

// Modified Bessel function of the first kind, order 0, by its series.
double BesselI0(double x) {
  double term = 1.0;
  double sum = 1.0;
  const double quarter_square = x * x / 4.0;
  for (int k = 1; k < 64 && term > sum * 1e-17; ++k) {
    term *= quarter_square / (static_cast<double>(k) * k);
    sum += term;
  }
  return sum;
}

struct Kernel {
  double cutoff;     // cycles per input sample
  double half_span;  // input samples
  double window_norm;

  double operator()(double t) const {
    const double ratio = t / half_span;
    if (ratio <= -1.0 || ratio >= 1.0) return 0.0;
    const double x = 2.0 * cutoff * t;
    const double sinc = x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
    return 2.0 * cutoff * sinc * BesselI0(kKaiserBeta * std::sqrt(1.0 - ratio * ratio)) / window_norm;
  }
};

// One row: the kernel at the distances from an instant `fraction` past a
// whole input position to each tap's input, scaled to sum to 1.
void FillRow(const Kernel& kernel, double fraction, std::size_t taps, float* row) {
  const double half = static_cast<double>(taps / 2);
  std::vector<double> values(taps);
  double sum = 0.0;
  for (std::size_t j = 0; j < taps; ++j) {
    values[j] = kernel(fraction + half - 1.0 - static_cast<double>(j));
    sum += values[j];
  }
  for (std::size_t j = 0; j < taps; ++j) row[j] = static_cast<float>(values[j] / sum);
}

}  // namespace

PolyphaseFilterBank DesignFilterBank(std::int32_t sample_rate) {
  PolyphaseFilterBank bank;
  const auto rate = static_cast<std::uint64_t>(std::max<std::int32_t>(sample_rate, 1));
  const std::uint64_t common = std::gcd(rate, static_cast<std::uint64_t>(kOutputSampleRate));
  bank.step_numerator = rate / common;
  bank.step_denominator = static_cast<std::uint64_t>(kOutputSampleRate) / common;

  const double rate_hz = static_cast<double>(rate);
  // Below 16.8 kHz the input holds nothing that could alias; the cutoff
  // only has to stay under the input's own Nyquist frequency, the taps
  // spanning the same number of cycles of it.
  const double cutoff_hz = std::min(kCutoffHz, 0.45 * rate_hz);
  const double half_span = kHalfSpanSeconds * rate_hz * (kCutoffHz / cutoff_hz);
  // Half the taps either side, an even number so that the row is a
  // multiple of four.
  const auto half_taps = static_cast<std::size_t>(2.0 * std::ceil(half_span / 2.0));
  bank.taps = 2 * half_taps;
  const Kernel kernel{cutoff_hz / rate_hz, half_span, BesselI0(kKaiserBeta)};

  bank.exact = bank.step_denominator <= kMaxExactRows;
  bank.rows = bank.exact ? static_cast<std::size_t>(bank.step_denominator) : kInterpolatedRows + 1;
  bank.coefficients.resize(bank.rows * bank.taps);
  const double spacing = bank.exact ? static_cast<double>(bank.step_denominator) : kInterpolatedRows;
  for (std::size_t row = 0; row < bank.rows; ++row) {
    const std::uint64_t numerator = bank.exact ? row * bank.step_numerator % bank.step_denominator : row;
    FillRow(kernel, static_cast<double>(numerator) / spacing, bank.taps, bank.coefficients.data() + row * bank.taps);
  }
  return bank;
}

}  // namespace kestro
