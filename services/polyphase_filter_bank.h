// The low-pass filter of the filtered conversion, laid out for polyphase
// evaluation: a Kaiser-windowed sinc centred on each output instant, one row
// of taps per sub-sample phase of that instant.
#ifndef KESTRO_SERVICES_POLYPHASE_FILTER_BANK_H_
#define KESTRO_SERVICES_POLYPHASE_FILTER_BANK_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestro {

struct PolyphaseFilterBank {
  // Output instant n lies at input position n x step_numerator /
  // step_denominator (the rate ratio in lowest terms).
  std::uint64_t step_numerator = 1;
  std::uint64_t step_denominator = 1;
  // Taps per row, a multiple of four; the row for an instant at whole
  // position i plus a fraction weighs inputs i - taps/2 + 1 .. i + taps/2.
  std::size_t taps = 0;
  // Exact: one row per fraction, in the order output instants use them:
  // row s serves every instant n with n mod step_denominator == s (its
  // fraction is s x step_numerator mod step_denominator), so that the
  // rows are read in sequence. Otherwise (a rate
  // whose ratio has a long period) `rows` - 1 evenly spaced fractions, the
  // last row being the fraction 1, with the taps interpolated linearly
  // between the two rows around the instant.
  bool exact = true;
  std::size_t rows = 0;
  std::vector<float> coefficients;  // rows x taps

  const float* Row(std::size_t row) const { return coefficients.data() + row * taps; }
};

// Designs the bank that takes `sample_rate` (> 0) to 16000 Hz: flat to
// 7 kHz and at least 80 dB down from 8.5 kHz, about 1.6 ms of taps either
// side of the instant. Each row sums to 1, so DC passes unchanged at every
// phase.
PolyphaseFilterBank DesignFilterBank(std::int32_t sample_rate);

}  // namespace kestro

#endif  // KESTRO_SERVICES_POLYPHASE_FILTER_BANK_H_
