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

// Peers: down-mix, resample to 16 kHz, convert to 16 bits; they return the
// number of output samples.
std::size_t RunLibsamplerateLinear(const BenchInput& input);
std::size_t RunSpeexdspQuality0(const BenchInput& input);
// The floor: only copying the packets into `copy`, allocated by the caller.
std::size_t RunMemcpy(const BenchInput& input, std::vector<std::uint8_t>& copy);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_AUDIO_PIPELINE_RUNNERS_H_
