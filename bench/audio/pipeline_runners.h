// One function per contender: each runs a whole input through its pipeline.
#ifndef KESTRO_BENCH_AUDIO_PIPELINE_RUNNERS_H_
#define KESTRO_BENCH_AUDIO_PIPELINE_RUNNERS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bench_input.h"
#include "pcm_conversion.h"

namespace kestro::bench {

// The capture engine's own conversion steps, driven as its loop drives them.
void RunProduction(const BenchInput& input, std::int32_t chunk_ms, const ChunkSink& sink);
void RunLiteral(const BenchInput& input, std::int32_t chunk_ms, const ChunkSink& sink);
// The filtered conversion ("quality": "high"), as the capture loop drives it.
void RunFiltered(const BenchInput& input, std::int32_t chunk_ms, const ChunkSink& sink);

// Peers: down-mix, resample to 16 kHz, convert to 16 bits; they return the
// number of output samples, and append the samples to `output` if given.
std::size_t RunLibsamplerateLinear(const BenchInput& input);
std::size_t RunSpeexdsp(const BenchInput& input, int quality, std::vector<std::int16_t>* output = nullptr);
// libsoxr at its "low" recipe (16-bit precision, the nearest of its
// qualities at or beyond 80 dB; linear phase), with the recipe's own band
// edges or with the filtered conversion's (flat to 7 kHz, stopped from
// 8.5 kHz), which is what its speed compares fairly with.
enum class SoxrBand { kRecipe, kFilteredConversion };
std::size_t RunSoxrLow(const BenchInput& input, SoxrBand band, std::vector<std::int16_t>* output = nullptr);
// The floor: only copying the packets into `copy`, allocated by the caller.
std::size_t RunMemcpy(const BenchInput& input, std::vector<std::uint8_t>& copy);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_AUDIO_PIPELINE_RUNNERS_H_
