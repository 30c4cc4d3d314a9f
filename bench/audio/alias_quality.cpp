#include "alias_quality.h"

#include <cmath>
#include <cstdio>

namespace kestro::bench {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kToneRms = 0.5 / 1.4142135623730951;
// Output left out before measuring: every contender's onset, the longest
// of which (speexdsp at quality 5) rings for about 10 ms.
constexpr std::size_t kSettle = 800;
constexpr std::size_t kWindow = 4000;  // whole periods of any multiple of 4 Hz
constexpr double kToneSeconds = 0.35;

double RejectionDb(const std::vector<std::int16_t>& output) {
  if (output.size() <= kSettle + kWindow) return 0;
  double energy = 0;
  for (std::size_t k = kSettle; k < kSettle + kWindow; ++k) energy += double(output[k]) * output[k];
  const double rms = std::sqrt(energy / kWindow) / 32767.0;
  return rms == 0 ? 999.0 : 20.0 * std::log10(kToneRms / rms);
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
  return 20.0 * std::log10(2.0 * std::hypot(re, im) / kWindow / 32767.0 / 0.5);
}

}  // namespace

AliasQuality MeasureAliasQuality(const DeviceLayout& layout, const ConvertAll& convert) {
  AliasQuality quality;
  quality.rejection_db = 1e9;
  const double nyquist = layout.sample_rate / 2.0;
  for (double tone = 8500; tone < nyquist; tone += 250) {
    const double rejection = RejectionDb(convert(MakeToneInput(layout, tone, kToneSeconds)));
    if (rejection < quality.rejection_db) {
      quality.rejection_db = rejection;
      quality.worst_tone_hz = tone;
    }
  }
  quality.gain_7k_db = GainDb(convert(MakeToneInput(layout, 7000, kToneSeconds)), 7000);
  return quality;
}

void PrintQualityTable(const std::vector<DeviceLayout>& layouts,
                       const std::vector<std::pair<std::string, ConvertAll>>& contenders) {
  std::printf("\nAlias rejection (worst tone from 8.5 kHz to Nyquist; 999 = nothing left after 16-bit output)"
              " and level at 7 kHz, against the input tone:\n");
  std::printf("%-22s", "contender");
  for (const auto& layout : layouts) std::printf(" %34s", layout.name.c_str());
  std::printf("\n");
  for (const auto& [name, convert] : contenders) {
    std::printf("%-22s", name.c_str());
    for (const auto& layout : layouts) {
      const AliasQuality quality = MeasureAliasQuality(layout, convert);
      char cell[96];
      std::snprintf(cell, sizeof cell, "%6.1f dB (at %5.0f Hz), 7k %+.2f dB", quality.rejection_db,
                    quality.worst_tone_hz, quality.gain_7k_db);
      std::printf(" %34s", cell);
    }
    std::printf("\n");
    std::fflush(stdout);
  }
}

}  // namespace kestro::bench
