// What each conversion lets through: the worst alias of a tone between
// 8.5 kHz and the input's Nyquist frequency, and the level it keeps at
// 7 kHz, both against the input tone.
#ifndef KESTRO_BENCH_AUDIO_ALIAS_QUALITY_H_
#define KESTRO_BENCH_AUDIO_ALIAS_QUALITY_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bench_input.h"

namespace kestro::bench {

// A contender's whole 16 kHz output for an input.
using ConvertAll = std::function<std::vector<std::int16_t>(const BenchInput&)>;

struct AliasQuality {
  // The smallest over the tones tried; infinite when every output sample
  // of every tone was 0.
  double rejection_db = 0;
  double worst_tone_hz = 0;
  double gain_7k_db = 0;
};

AliasQuality MeasureAliasQuality(const DeviceLayout& layout, const ConvertAll& convert);

// One row per contender, one column pair per layout.
void PrintQualityTable(const std::vector<DeviceLayout>& layouts,
                       const std::vector<std::pair<std::string, ConvertAll>>& contenders);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_AUDIO_ALIAS_QUALITY_H_
