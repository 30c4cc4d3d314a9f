// msgpack-c handling the same map message as the codec benchmark: packing it
// from, and unpacking it into, a plain C++ tree.
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

using PlainValue = std::variant<int32_t, double, std::string>;
using PlainMap = std::map<std::string, PlainValue>;

msgpack::sbuffer MsgpackPack(const PlainMap& map);
PlainMap MsgpackUnpack(const char* data, size_t size);

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_CODEC_MSGPACK_BASELINE_H_
