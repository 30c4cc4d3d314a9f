#include "tone_analysis.h"

#include <cmath>
#include <cstdlib>

namespace kestro::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

std::vector<std::int16_t> DecodePcm16(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const auto bits = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    samples[i] = static_cast<std::int16_t>(bits);
  }
  return samples;
}

std::int32_t PeakMagnitude(const std::vector<std::int16_t>& samples) {
  std::int32_t peak = 0;
  for (const std::int16_t sample : samples) {
    const std::int32_t magnitude = std::abs(static_cast<std::int32_t>(sample));
    if (magnitude > peak) peak = magnitude;
  }
  return peak;
}

double RmsDecibels(const std::vector<std::int16_t>& samples) {
  if (samples.empty()) return -HUGE_VAL;
  double sum_of_squares = 0;
  for (const std::int16_t sample : samples) sum_of_squares += double(sample) * sample;
  return 10 * std::log10(sum_of_squares / double(samples.size()));
}

double ZeroCrossingFrequency(const std::vector<std::int16_t>& samples, double sample_rate) {
  double first = 0;
  double last = 0;
  std::size_t crossings = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const double before = samples[i - 1];
    const double after = samples[i];
    if (before >= 0 || after < 0) continue;
    const double position = double(i - 1) + (-before) / (after - before);
    if (crossings == 0) first = position;
    last = position;
    ++crossings;
  }
  if (crossings < 2) return 0;
  return double(crossings - 1) * sample_rate / (last - first);
}

double PhaseDegrees(const std::vector<std::int16_t>& samples, std::size_t first_index, double frequency,
                    double sample_rate) {
  const double step = 2 * kPi * frequency / sample_rate;
  double in_phase = 0;
  double quadrature = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double angle = step * double(first_index + i);
    in_phase += samples[i] * std::cos(angle);
    quadrature += samples[i] * std::sin(angle);
  }
  return std::atan2(-quadrature, in_phase) * 180 / kPi;
}

double PhaseDifferenceDegrees(double later, double earlier) {
  double difference = std::fmod(later - earlier, 360.0);
  if (difference <= -180) difference += 360;
  if (difference > 180) difference -= 360;
  return difference;
}

}  // namespace kestro::testing
