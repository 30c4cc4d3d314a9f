// The capture pipeline over 10 s of device packets, against a literal
// implementation of the same algorithm, libsamplerate, speexdsp and memcpy.
// Before timing anything it checks that the production pipeline's output is
// bit-identical to the literal one's, and aborts if not; with --check-only
// it stops after that check.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_input.h"
#include "default_flags.h"
#include "goal_line.h"
#include "pipeline_runners.h"
#include "ratio_reporter.h"

namespace kestro::bench {
namespace {

constexpr std::int32_t kChunkMs = 600;

const std::vector<DeviceLayout> kBenchLayouts = {
    {"48k_stereo_float", 48000, 2, true},
    {"44k1_stereo_float", 44100, 2, true},
    {"48k_stereo_int16", 48000, 2, false},
    {"16k_mono_float", 16000, 1, true},
};

std::vector<std::uint8_t> Collect(void (*run)(const BenchInput&, std::int32_t, const ChunkSink&),
                                  const BenchInput& input, std::int32_t chunk_ms) {
  std::vector<std::uint8_t> output;
  run(input, chunk_ms,
      [&output](std::vector<std::uint8_t> chunk) { output.insert(output.end(), chunk.begin(), chunk.end()); });
  return output;
}

bool SameOutput(const BenchInput& input, std::int32_t chunk_ms) {
  const auto production = Collect(RunProduction, input, chunk_ms);
  const auto literal = Collect(RunLiteral, input, chunk_ms);
  const bool same = production == literal && !literal.empty();
  std::fprintf(same ? stdout : stderr, "%s: %s, %zu packets, chunk_ms %d: %zu bytes\n",
               same ? "bit-identical" : "OUTPUT DIFFERS", input.layout.name.c_str(), input.packets.size(), chunk_ms,
               literal.size());
  return same;
}

bool CheckBitExact(const std::vector<BenchInput>& bench_inputs) {
  bool same = true;
  for (const auto& input : bench_inputs) same = SameOutput(input, kChunkMs) && same;
  // Shapes the timed inputs do not cover: other layouts, one-sample chunks
  // (a cut and a discard after every sample), odd packet sizes, long chunks.
  const std::vector<std::pair<DeviceLayout, std::uint32_t>> extra = {
      {{"22k05_3ch_int16", 22050, 3, false}, 7},
      {{"44k1_mono_float", 44100, 1, true}, 1},
      {{"96k_6ch_float", 96000, 6, true}, 960},
      {{"8k_stereo_int16", 8000, 2, false}, 33},
  };
  for (const auto& [layout, packet_frames] : extra) {
    const BenchInput input = MakeInput(layout, 4.5, packet_frames);
    for (const std::int32_t chunk_ms : {0, 10, 2000}) same = SameOutput(input, chunk_ms) && same;
  }
  return same;
}

void RegisterAll(const std::vector<BenchInput>& inputs) {
  for (const BenchInput& input : inputs) {
    const std::string& name = input.layout.name;
    const auto items = static_cast<std::int64_t>(input.frames);
    const auto bytes = static_cast<std::int64_t>(input.stream.size());
    auto add = [&](const std::string& contender, auto body) {
      benchmark::RegisterBenchmark((contender + "/" + name).c_str(), [body, items, bytes](benchmark::State& state) {
        for (auto _ : state) body();
        state.SetItemsProcessed(state.iterations() * items);
        state.SetBytesProcessed(state.iterations() * bytes);
      })->Unit(benchmark::kMicrosecond);
    };
    const ChunkSink keep = [](std::vector<std::uint8_t> chunk) { benchmark::DoNotOptimize(chunk.data()); };
    add("pipeline", [&input, keep] { RunProduction(input, kChunkMs, keep); });
    add("literal", [&input, keep] { RunLiteral(input, kChunkMs, keep); });
    add("libsamplerate_linear", [&input] { benchmark::DoNotOptimize(RunLibsamplerateLinear(input)); });
    add("speexdsp_q0", [&input] { benchmark::DoNotOptimize(RunSpeexdspQuality0(input)); });
    auto copy = std::make_shared<std::vector<std::uint8_t>>(input.stream.size());
    add("memcpy", [&input, copy] { benchmark::DoNotOptimize(RunMemcpy(input, *copy)); });
  }
}

}  // namespace
}  // namespace kestro::bench

int main(int argc, char** argv) {
  using namespace kestro::bench;
  std::vector<BenchInput> inputs;
  for (const auto& layout : kBenchLayouts) inputs.push_back(MakeInput(layout, 10.0));
  if (!CheckBitExact(inputs)) {
    std::fprintf(stderr, "the production pipeline does not match the literal one; not timing it\n");
    return 1;
  }
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--check-only") == 0) return 0;
  }
  RegisterAll(inputs);
  if (!InitializeWithDefaultFlags(argc, argv)) return 1;
  RatioReporter reporter({"pipeline", "literal", "libsamplerate_linear", "speexdsp_q0", "memcpy"}, "pipeline");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  // The production pipeline's speed-up over each baseline: its median time
  // over the pipeline's, both from this run.
  const struct {
    const char* input;
    const char* baseline;
    double target;
  } goals[] = {
      {"48k_stereo_float", "literal", 2.5},
      {"44k1_stereo_float", "literal", 2.0},
      {"48k_stereo_float", "libsamplerate_linear", 3.5},
      {"44k1_stereo_float", "libsamplerate_linear", 3.0},
  };
  for (const auto& goal : goals) {
    const double ratio = reporter.Ratio(goal.input, goal.baseline);
    if (ratio <= 0) continue;  // not measured in this run
    ReportGoal(std::string("capture pipeline ") + goal.input + " vs " + goal.baseline, ratio, Goal::kAtLeast,
               goal.target);
  }
  return 0;
}
