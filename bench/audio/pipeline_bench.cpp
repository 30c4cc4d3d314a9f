// The capture pipeline over 10 s of device packets, against a literal
// implementation of the same algorithm, libsamplerate, speexdsp and memcpy;
// and the filtered conversion against speexdsp and libsoxr at qualities
// that reject aliases, with a table of the rejection each measures.
// Before timing anything it checks that the production pipeline's output is
// bit-identical to the literal one's, and aborts if not; with --check-only
// it stops after that check.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "alias_quality.h"
#include "bench_input.h"
#include "default_flags.h"
#include "goal_line.h"
#include "pipeline_runners.h"
#include "ratio_reporter.h"

namespace kestro::bench {
namespace {

constexpr std::int32_t kChunkMs = 600;
constexpr double kOutputSamplesPerRun = 10.0 * 16000;

// The filtered conversion and its peers run on these inputs only.
bool FilteredPeersRunOn(const DeviceLayout& layout) {
  return layout.is_float && layout.channel_count == 2 && (layout.sample_rate == 48000 || layout.sample_rate == 44100);
}

const std::vector<std::string> kFilteredGroup = {"filtered",    "speexdsp_q0", "speexdsp_q3",
                                                 "speexdsp_q5", "soxr_lq",     "soxr_lq_same_band"};

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

std::vector<std::int16_t> Samples(void (*run)(const BenchInput&, std::int32_t, const ChunkSink&),
                                  const BenchInput& input) {
  std::vector<std::int16_t> samples;
  // Short chunks, so that little of a short tone stays pending.
  run(input, 10, [&samples](std::vector<std::uint8_t> chunk) {
    for (std::size_t k = 0; k + 1 < chunk.size(); k += 2) {
      samples.push_back(static_cast<std::int16_t>(chunk[k] | (chunk[k + 1] << 8)));
    }
  });
  return samples;
}

void PrintQuality(const std::vector<DeviceLayout>& layouts) {
  auto speexdsp = [](int quality) -> ConvertAll {
    return [quality](const BenchInput& input) {
      std::vector<std::int16_t> samples;
      RunSpeexdsp(input, quality, &samples);
      return samples;
    };
  };
  auto soxr = [](SoxrBand band) -> ConvertAll {
    return [band](const BenchInput& input) {
      std::vector<std::int16_t> samples;
      RunSoxrLow(input, band, &samples);
      return samples;
    };
  };
  PrintQualityTable(layouts, {
                                 {"pipeline", [](const BenchInput& input) { return Samples(RunProduction, input); }},
                                 {"filtered", [](const BenchInput& input) { return Samples(RunFiltered, input); }},
                                 {"speexdsp_q0", speexdsp(0)},
                                 {"speexdsp_q3", speexdsp(3)},
                                 {"speexdsp_q5", speexdsp(5)},
                                 {"soxr_lq", soxr(SoxrBand::kRecipe)},
                                 {"soxr_lq_same_band", soxr(SoxrBand::kFilteredConversion)},
                             });
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
    add("speexdsp_q0", [&input] { benchmark::DoNotOptimize(RunSpeexdsp(input, 0)); });
    if (FilteredPeersRunOn(input.layout)) {
      add("filtered", [&input, keep] { RunFiltered(input, kChunkMs, keep); });
      add("speexdsp_q3", [&input] { benchmark::DoNotOptimize(RunSpeexdsp(input, 3)); });
      add("speexdsp_q5", [&input] { benchmark::DoNotOptimize(RunSpeexdsp(input, 5)); });
      add("soxr_lq", [&input] { benchmark::DoNotOptimize(RunSoxrLow(input, SoxrBand::kRecipe)); });
      add("soxr_lq_same_band",
          [&input] { benchmark::DoNotOptimize(RunSoxrLow(input, SoxrBand::kFilteredConversion)); });
    }
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
  RatioReporter reporter({"pipeline", "literal", "libsamplerate_linear", "speexdsp_q0", "memcpy", "filtered"},
                         "pipeline");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  reporter.PrintPerOutputSample(kFilteredGroup, "filtered", kOutputSamplesPerRun);
  std::vector<DeviceLayout> filtered_layouts;
  for (const auto& layout : kBenchLayouts) {
    if (FilteredPeersRunOn(layout)) filtered_layouts.push_back(layout);
  }
  PrintQuality(filtered_layouts);
  std::printf("\n");
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
  // The filtered conversion's speed-up over peers that reject aliases too.
  const struct {
    const char* input;
    const char* peer;
    double target;
  } filtered_goals[] = {
      {"48k_stereo_float", "speexdsp_q3", 1.0},
      {"44k1_stereo_float", "speexdsp_q3", 3.0},
      {"48k_stereo_float", "soxr_lq_same_band", 1.0},
      {"44k1_stereo_float", "soxr_lq_same_band", 1.0},
  };
  for (const auto& goal : filtered_goals) {
    const double ratio = reporter.Ratio(goal.input, goal.peer, "filtered");
    if (ratio <= 0) continue;
    ReportGoal(std::string("filtered conversion ") + goal.input + " vs " + goal.peer, ratio, Goal::kAtLeast,
               goal.target);
  }
  return 0;
}
