// msgpack-c packing from, and unpacking into, a value tree of the same shape
// as EncodableValue: a variant whose maps are ordered maps from value to
// value (std::map, one node per entry), keys compared by the variant's own
// ordering.
#ifndef KESTRO_BENCH_CODEC_MSGPACK_BASELINE_H_
#define KESTRO_BENCH_CODEC_MSGPACK_BASELINE_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include <msgpack.hpp>

namespace kestro::bench {

struct PlainValue;
using PlainList = std::vector<PlainValue>;
using PlainMap = std::map<PlainValue, PlainValue>;

// What msgpack carries: nil, bool, integers, floats, strings, binary,
// arrays and maps.
struct PlainValue : std::variant<std::monostate, bool, int64_t, double, std::string, std::vector<uint8_t>, PlainList,
                                 PlainMap> {
  using variant::variant;
};

// Packs into a buffer reserved for `reserve` bytes.
msgpack::sbuffer MsgpackPack(const PlainValue& value, size_t reserve);
PlainValue MsgpackUnpack(const char* data, size_t size);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_CODEC_MSGPACK_BASELINE_H_
