// What every codec fuzz target checks: decoding never fails hard, and what a
// decode produced survives encode → decode unchanged (compared as bytes, so
// NaNs compare by their bits).
#ifndef KESTRO_TESTS_FUZZ_FUZZ_ORACLE_H_
#define KESTRO_TESTS_FUZZ_FUZZ_ORACLE_H_

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"

namespace flutter::fuzz {

using Bytes = std::vector<uint8_t>;

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stdout, "oracle failed: %s\n", what);  // stderr is closed by -close_fd_mask=2
  std::fflush(stdout);
  std::abort();
}

inline void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

inline Bytes Encode(const EncodableValue& value) {
  Bytes bytes;
  ByteBufferStreamWriter writer(&bytes);
  StandardCodecSerializer::Shared().WriteValue(value, &writer);
  return bytes;
}

inline bool ContainsNaN(const EncodableValue& value) {
  auto any_nan = [](const auto& list) {
    return std::any_of(list.begin(), list.end(), [](auto element) { return std::isnan(element); });
  };
  if (const auto* number = value.TryGet<double>()) return std::isnan(*number);
  if (const auto* doubles = value.TryGet<std::vector<double>>()) return any_nan(*doubles);
  if (const auto* floats = value.TryGet<std::vector<float>>()) return any_nan(*floats);
  if (const auto* list = value.TryGet<ValueList>()) return std::any_of(list->begin(), list->end(), ContainsNaN);
  if (const auto* map = value.TryGet<ValueMap>()) {
    return std::any_of(map->begin(), map->end(),
                       [](const auto& entry) { return ContainsNaN(entry.first) || ContainsNaN(entry.second); });
  }
  return false;
}

// Whether some map inside `value` has a key holding a NaN. A NaN is neither
// before nor after any double, so such keys are not ordered consistently
// (a ~ c while a < b < c), and which of them a map keeps can depend on the
// order they arrive in.
inline bool HasNaNKey(const EncodableValue& value) {
  if (const auto* list = value.TryGet<ValueList>()) return std::any_of(list->begin(), list->end(), HasNaNKey);
  if (const auto* map = value.TryGet<ValueMap>()) {
    return std::any_of(map->begin(), map->end(),
                       [](const auto& entry) { return ContainsNaN(entry.first) || HasNaNKey(entry.second); });
  }
  return false;
}

// The encoding of a decoded value decodes to the same encoding, and is read
// to its last byte. Maps with NaN keys are only decoded again, not compared.
inline void CheckStable(const EncodableValue& decoded) {
  const Bytes once = Encode(decoded);
  ByteBufferStreamReader reader(once.data(), once.size());
  const EncodableValue again = StandardCodecSerializer::Shared().ReadNextValue(&reader);
  if (HasNaNKey(decoded)) return;
  Check(Encode(again) == once, "decode(encode(value)) encodes differently");
  Check(reader.position() == once.size(), "reader and writer disagree on the length of a value");
}

}  // namespace flutter::fuzz

#endif  // KESTRO_TESTS_FUZZ_FUZZ_ORACLE_H_
