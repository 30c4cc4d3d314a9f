// The standard codec on the two messages that matter: a success envelope of
// 19,200 bytes (600 ms of 16 kHz mono PCM16, as the audio events carry) and a
// map of 100 string keys to mixed values; memcpy and msgpack-c are measured
// in the same run as baselines.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "flutter/standard_method_codec.h"
#include "msgpack_baseline.h"
#include "ratio_table.h"

namespace {

using flutter::EncodableValue;
using flutter::StandardMethodCodec;
using kestro::bench::PlainMap;

constexpr size_t kChunkBytes = 19200;

const StandardMethodCodec& Codec() {
  return StandardMethodCodec::Shared();
}

// Touches whatever a decoded reply hands over, so that nothing is skipped.
class SinkResult : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* result) override { benchmark::DoNotOptimize(result); }
  void Error(const std::string&, const std::string&, const EncodableValue*) override {}
  void NotImplemented() override {}
};

std::vector<uint8_t> Chunk() {
  std::vector<uint8_t> bytes(kChunkBytes);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
  return bytes;
}

// Keys "key_000".."key_099"; values cycle through a 32-bit int, a double and
// a short string.
PlainMap MixedMap() {
  PlainMap map;
  for (int i = 0; i < 100; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "key_%03d", i);
    if (i % 3 == 0) {
      map[key] = int32_t{i * 1000 - 7};
    } else if (i % 3 == 1) {
      map[key] = i * 0.25;
    } else {
      map[key] = "value_" + std::to_string(i);
    }
  }
  return map;
}

EncodableValue ToEncodable(const PlainMap& plain) {
  flutter::ValueMap map;
  for (const auto& [key, value] : plain) {
    map.emplace_hint(map.end(), EncodableValue(key),
                     std::visit([](const auto& v) { return EncodableValue(v); }, value));
  }
  return EncodableValue(std::move(map));
}

void BM_Memcpy19200(benchmark::State& state) {
  const std::vector<uint8_t> source = Chunk();
  std::vector<uint8_t> destination(source.size());
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), source.size());
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}

void BM_EncodeByteListEnvelope(benchmark::State& state) {
  const EncodableValue chunk(Chunk());
  for (auto _ : state) {
    auto message = Codec().EncodeSuccessReply(&chunk);
    benchmark::DoNotOptimize(message->data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunkBytes));
}

void BM_DecodeByteListEnvelope(benchmark::State& state) {
  const EncodableValue chunk(Chunk());
  const auto message = Codec().EncodeSuccessReply(&chunk);
  SinkResult sink;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Codec().DecodeReply(message->data(), message->size(), &sink));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunkBytes));
}

void BM_EncodeMixedMap(benchmark::State& state) {
  const EncodableValue map = ToEncodable(MixedMap());
  for (auto _ : state) {
    auto message = Codec().EncodeSuccessReply(&map);
    benchmark::DoNotOptimize(message->data());
  }
}

void BM_DecodeMixedMap(benchmark::State& state) {
  const EncodableValue map = ToEncodable(MixedMap());
  const auto message = Codec().EncodeSuccessReply(&map);
  SinkResult sink;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Codec().DecodeReply(message->data(), message->size(), &sink));
  }
}

void BM_MsgpackPackMixedMap(benchmark::State& state) {
  const PlainMap map = MixedMap();
  for (auto _ : state) {
    msgpack::sbuffer packed = kestro::bench::MsgpackPack(map);
    benchmark::DoNotOptimize(packed.data());
  }
}

void BM_MsgpackUnpackMixedMap(benchmark::State& state) {
  const msgpack::sbuffer packed = kestro::bench::MsgpackPack(MixedMap());
  for (auto _ : state) {
    PlainMap map = kestro::bench::MsgpackUnpack(packed.data(), packed.size());
    benchmark::DoNotOptimize(map.size());
  }
}

BENCHMARK(BM_Memcpy19200);
BENCHMARK(BM_EncodeByteListEnvelope);
BENCHMARK(BM_DecodeByteListEnvelope);
BENCHMARK(BM_MsgpackPackMixedMap);
BENCHMARK(BM_EncodeMixedMap);
BENCHMARK(BM_MsgpackUnpackMixedMap);
BENCHMARK(BM_DecodeMixedMap);

}  // namespace

int main(int argc, char** argv) {
  // Medians of several repetitions unless the command line says otherwise.
  std::vector<char*> args{argv[0], const_cast<char*>("--benchmark_repetitions=9"),
                          const_cast<char*>("--benchmark_report_aggregates_only=true")};
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  kestro::bench::RatioTable table({
      {"BM_EncodeByteListEnvelope", "BM_Memcpy19200", true, 1.5},
      {"BM_DecodeByteListEnvelope", "BM_Memcpy19200", true, 1.5},
      {"BM_EncodeMixedMap", "BM_MsgpackPackMixedMap", false, 1.5},
      {"BM_DecodeMixedMap", "BM_MsgpackUnpackMixedMap", false, 1.5},
  });
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return 0;
}
