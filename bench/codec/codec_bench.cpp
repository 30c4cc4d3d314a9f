// The standard codec on the two messages that matter: a success envelope of
// 19,200 bytes (600 ms of 16 kHz mono PCM16, as the audio events carry) and a
// map of 100 string keys to mixed values; memcpy and msgpack-c are measured
// in the same run as baselines.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "default_flags.h"
#include "flutter/standard_method_codec.h"
#include "msgpack_baseline.h"
#include "ratio_table.h"

namespace {

using flutter::EncodableValue;
using flutter::StandardMethodCodec;
using kestro::bench::PlainMap;
using kestro::bench::PlainValue;

constexpr size_t kChunkBytes = 19200;

// Each benchmark fetches it once, before its loop, as a channel does.
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
// a short string. The same entries as an EncodableValue and as msgpack-c's
// tree.
template <typename Value, typename Map, typename Int>
Value MixedMap() {
  Map map;
  for (int i = 0; i < 100; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "key_%03d", i);
    Value value;
    if (i % 3 == 0) {
      value = Int{i * 1000 - 7};
    } else if (i % 3 == 1) {
      value = i * 0.25;
    } else {
      value = std::string("value_" + std::to_string(i));
    }
    map.emplace(Value(std::string(key)), std::move(value));
  }
  return Value(std::move(map));
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
  const StandardMethodCodec& codec = Codec();
  for (auto _ : state) {
    auto message = codec.EncodeSuccessReply(&chunk);
    benchmark::DoNotOptimize(message->data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunkBytes));
}

void BM_DecodeByteListEnvelope(benchmark::State& state) {
  const EncodableValue chunk(Chunk());
  const StandardMethodCodec& codec = Codec();
  const auto message = codec.EncodeSuccessReply(&chunk);
  SinkResult sink;
  for (auto _ : state) {
    benchmark::DoNotOptimize(codec.DecodeReply(message->data(), message->size(), &sink));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kChunkBytes));
}

EncodableValue EncodableMixedMap() {
  return MixedMap<EncodableValue, flutter::ValueMap, int32_t>();
}

PlainValue PlainMixedMap() {
  return MixedMap<PlainValue, PlainMap, int64_t>();
}

void BM_EncodeMixedMap(benchmark::State& state) {
  const EncodableValue map = EncodableMixedMap();
  const StandardMethodCodec& codec = Codec();
  for (auto _ : state) {
    auto message = codec.EncodeSuccessReply(&map);
    benchmark::DoNotOptimize(message->data());
  }
}

void BM_DecodeMixedMap(benchmark::State& state) {
  const EncodableValue map = EncodableMixedMap();
  const StandardMethodCodec& codec = Codec();
  const auto message = codec.EncodeSuccessReply(&map);
  SinkResult sink;
  for (auto _ : state) {
    benchmark::DoNotOptimize(codec.DecodeReply(message->data(), message->size(), &sink));
  }
}

// Into a buffer reserved for exactly the message.
void BM_MsgpackPackMixedMap(benchmark::State& state) {
  const PlainValue map = PlainMixedMap();
  const size_t size = kestro::bench::MsgpackPack(map, 0).size();
  for (auto _ : state) {
    msgpack::sbuffer packed = kestro::bench::MsgpackPack(map, size);
    benchmark::DoNotOptimize(packed.data());
  }
}

void BM_MsgpackUnpackMixedMap(benchmark::State& state) {
  const msgpack::sbuffer packed = kestro::bench::MsgpackPack(PlainMixedMap(), 0);
  for (auto _ : state) {
    PlainValue map = kestro::bench::MsgpackUnpack(packed.data(), packed.size());
    benchmark::DoNotOptimize(&map);
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
  if (!kestro::bench::InitializeWithDefaultFlags(argc, argv)) return 1;

  using kestro::bench::Goal;
  kestro::bench::RatioTable table({
      {"codec: byte-list envelope of 19,200 bytes, encode vs memcpy", "BM_EncodeByteListEnvelope", "BM_Memcpy19200",
       Goal::kAtMost, 1.5},
      {"codec: byte-list envelope of 19,200 bytes, decode vs memcpy", "BM_DecodeByteListEnvelope", "BM_Memcpy19200",
       Goal::kAtMost, 1.5},
      {"codec: map of 100 mixed entries, encode, times faster than msgpack-c", "BM_EncodeMixedMap",
       "BM_MsgpackPackMixedMap", Goal::kAtLeast, 1.5},
      {"codec: map of 100 mixed entries, decode, times faster than msgpack-c", "BM_DecodeMixedMap",
       "BM_MsgpackUnpackMixedMap", Goal::kAtLeast, 1.5},
  });
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return 0;
}
