#include "msgpack_baseline.h"

namespace kestro::bench {

namespace {

PlainValue ToPlain(const msgpack::object& object) {
  switch (object.type) {
    case msgpack::type::POSITIVE_INTEGER:
    case msgpack::type::NEGATIVE_INTEGER:
      return object.as<int32_t>();
    case msgpack::type::FLOAT32:
    case msgpack::type::FLOAT64:
      return object.via.f64;
    case msgpack::type::STR:
      return std::string(object.via.str.ptr, object.via.str.size);
    default:
      return PlainValue();
  }
}

}  // namespace

msgpack::sbuffer MsgpackPack(const PlainMap& map) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> packer(buffer);
  packer.pack_map(static_cast<uint32_t>(map.size()));
  for (const auto& [key, value] : map) {
    packer.pack(key);
    std::visit([&](const auto& payload) { packer.pack(payload); }, value);
  }
  return buffer;
}

PlainMap MsgpackUnpack(const char* data, size_t size) {
  const msgpack::object_handle handle = msgpack::unpack(data, size);
  const msgpack::object& root = handle.get();
  PlainMap map;
  if (root.type != msgpack::type::MAP) return map;
  for (uint32_t i = 0; i < root.via.map.size; ++i) {
    const msgpack::object_kv& entry = root.via.map.ptr[i];
    map.emplace_hint(map.end(), std::string(entry.key.via.str.ptr, entry.key.via.str.size), ToPlain(entry.val));
  }
  return map;
}

}  // namespace kestro::bench
