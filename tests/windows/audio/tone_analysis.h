// Measures a captured sine tone: its frequency, level and phase.
#ifndef KESTRO_TESTS_WINDOWS_AUDIO_TONE_ANALYSIS_H_
#define KESTRO_TESTS_WINDOWS_AUDIO_TONE_ANALYSIS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestro::testing {

// Samples of signed 16-bit little-endian PCM.
std::vector<std::int16_t> DecodePcm16(const std::vector<std::uint8_t>& bytes);

std::int32_t PeakMagnitude(const std::vector<std::int16_t>& samples);

// Root mean square, in decibels relative to one quantisation step.
double RmsDecibels(const std::vector<std::int16_t>& samples);

// The frequency given by the rising zero crossings, located to a fraction
// of a sample; 0 when there are fewer than two.
double ZeroCrossingFrequency(const std::vector<std::int16_t>& samples, double sample_rate);

// The phase, in degrees, of the component at `frequency` in `samples`, the
// first of which is sample number `first_index` of the stream. Without lost
// or repeated samples every stretch of a steady tone gives the same phase.
double PhaseDegrees(const std::vector<std::int16_t>& samples, std::size_t first_index, double frequency,
                    double sample_rate);

// The difference of two phases, wrapped into (-180, 180].
double PhaseDifferenceDegrees(double later, double earlier);

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_WINDOWS_AUDIO_TONE_ANALYSIS_H_
