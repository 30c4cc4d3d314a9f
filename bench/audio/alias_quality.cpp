#include "alias_quality.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace kestro::bench {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Tones to be stopped come near full scale, so that the 16-bit output can
// show an alias as far below them as possible; the 7 kHz tone at half, so
// that no contender's overshoot clamps.
constexpr double kStopToneAmplitude = 0.95;
constexpr double kPassToneAmplitude = 0.5;
// Output left out before measuring: every contender's onset, the longest
// of which (speexdsp at quality 5) rings for about 10 ms.
constexpr std::size_t kSettle = 800;
constexpr std::size_t kWindow = 4000;  // whole periods of any multiple of 4 Hz
constexpr double kToneSeconds = 0.35;
// What an output of nothing but zeros says: every alias lies below one
// step of 16 bits, at least this far below the tone's peak.
const double kNothingLeft = 20.0 * std::log10(kStopToneAmplitude * 32767.0);

double RejectionDb(const std::vector<std::int16_t>& output) {
  if (output.size() <= kSettle + kWindow) return 0;
  double energy = 0;
  for (std::size_t k = kSettle; k < kSettle + kWindow; ++k) energy += double(output[k]) * output[k];
  const double rms = std::sqrt(energy / kWindow) / 32767.0;
  return rms == 0 ? std::numeric_limits<double>::infinity() : 20.0 * std::log10(kStopToneAmplitude / std::sqrt(2.0) / rms);
}

double GainDb(const std::vector<std::int16_t>& output, double frequency) {
  if (output.size() <= kSettle + kWindow) return -999.0;
  double re = 0;
  double im = 0;
  for (std::size_t k = kSettle; k < kSettle + kWindow; ++k) {
    const double phase = 2.0 * kPi * frequency * double(k) / 16000.0;
    re += output[k] * std::cos(phase);
    im += output[k] * std::sin(phase);
  }
  return 20.0 * std::log10(2.0 * std::hypot(re, im) / kWindow / 32767.0 / kPassToneAmplitude);
}

}  // namespace

AliasQuality MeasureAliasQuality(const DeviceLayout& layout, const ConvertAll& convert) {
  AliasQuality quality;
  quality.rejection_db = std::numeric_limits<double>::infinity();
  const double nyquist = layout.sample_rate / 2.0;
  for (double tone = 8500; tone < nyquist; tone += 250) {
    const double rejection = RejectionDb(convert(MakeToneInput(layout, tone, kStopToneAmplitude, kToneSeconds)));
    if (rejection < quality.rejection_db) {
      quality.rejection_db = rejection;
      quality.worst_tone_hz = tone;
    }
  }
  quality.gain_7k_db = GainDb(convert(MakeToneInput(layout, 7000, kPassToneAmplitude, kToneSeconds)), 7000);
  return quality;
}

void PrintQualityTable(const std::vector<DeviceLayout>& layouts,
                       const std::vector<std::pair<std::string, ConvertAll>>& contenders) {
  std::printf("\nAlias rejection: the worst tone from 8.5 kHz to the input's Nyquist frequency, in 250 Hz steps,"
              " against its output (\">%.1f\": every output sample 0, so every alias below one 16-bit step);"
              " and the level kept at 7 kHz:\n", kNothingLeft);
  std::printf("%-22s", "contender");
  for (const auto& layout : layouts) std::printf(" %36s", layout.name.c_str());
  std::printf("\n");
  for (const auto& [name, convert] : contenders) {
    std::printf("%-22s", name.c_str());
    for (const auto& layout : layouts) {
      const AliasQuality quality = MeasureAliasQuality(layout, convert);
      char rejection[32];
      if (std::isinf(quality.rejection_db)) {
        std::snprintf(rejection, sizeof rejection, ">%.1f dB", kNothingLeft);
      } else {
        std::snprintf(rejection, sizeof rejection, "%.1f dB (%.0f Hz)", quality.rejection_db, quality.worst_tone_hz);
      }
      char cell[96];
      std::snprintf(cell, sizeof cell, "%s, 7 kHz %+.2f dB", rejection, quality.gain_7k_db);
      std::printf(" %36s", cell);
    }
    std::printf("\n");
    std::fflush(stdout);
  }
}

}  // namespace kestro::bench
