#include "msgpack_baseline.h"

#include <tuple>
#include <type_traits>
#include <utility>

namespace kestro::bench {

namespace {

using Packer = msgpack::packer<msgpack::sbuffer>;

void Pack(Packer& packer, const PlainValue& value) {
  std::visit(
      [&packer](const auto& payload) {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          packer.pack_nil();
        } else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) {
          packer.pack_bin(static_cast<uint32_t>(payload.size()));
          packer.pack_bin_body(reinterpret_cast<const char*>(payload.data()), static_cast<uint32_t>(payload.size()));
        } else if constexpr (std::is_same_v<T, PlainList>) {
          packer.pack_array(static_cast<uint32_t>(payload.size()));
          for (const PlainValue& element : payload) Pack(packer, element);
        } else if constexpr (std::is_same_v<T, PlainMap>) {
          packer.pack_map(static_cast<uint32_t>(payload.size()));
          for (const auto& [key, entry] : payload) {
            Pack(packer, key);
            Pack(packer, entry);
          }
        } else {
          packer.pack(payload);  // bool, int64 (smallest form), double, string
        }
      },
      static_cast<const PlainValue::variant&>(value));
}

PlainValue ToPlain(const msgpack::object& object);

// Converts where the map node is made: the converted value is returned
// straight into the node rather than moved there (as the codec does it).
struct InPlace {
  const msgpack::object* object;
  operator PlainValue() const { return ToPlain(*object); }
};

// Reads the fields directly, as the type tag says, rather than through
// msgpack's checked conversions.
PlainValue ToPlain(const msgpack::object& object) {
  switch (object.type) {
    case msgpack::type::BOOLEAN:
      return object.via.boolean;
    case msgpack::type::POSITIVE_INTEGER:
      return static_cast<int64_t>(object.via.u64);
    case msgpack::type::NEGATIVE_INTEGER:
      return object.via.i64;
    case msgpack::type::FLOAT32:
    case msgpack::type::FLOAT64:
      return object.via.f64;
    case msgpack::type::STR:
      return std::string(object.via.str.ptr, object.via.str.size);
    case msgpack::type::BIN: {
      const auto* bytes = reinterpret_cast<const uint8_t*>(object.via.bin.ptr);
      return std::vector<uint8_t>(bytes, bytes + object.via.bin.size);
    }
    case msgpack::type::ARRAY: {
      PlainList list;
      list.reserve(object.via.array.size);
      for (uint32_t i = 0; i < object.via.array.size; ++i) list.emplace_back(InPlace{&object.via.array.ptr[i]});
      return list;
    }
    case msgpack::type::MAP: {
      // Entries arrive in the sender's order, sorted when it held an
      // ordered map: the end is the hint.
      PlainMap map;
      for (uint32_t i = 0; i < object.via.map.size; ++i) {
        const msgpack::object_kv& entry = object.via.map.ptr[i];
        map.emplace_hint(map.end(), std::piecewise_construct, std::forward_as_tuple(InPlace{&entry.key}),
                         std::forward_as_tuple(InPlace{&entry.val}));
      }
      return map;
    }
    default:  // nil, extensions
      return PlainValue();
  }
}

}  // namespace

msgpack::sbuffer MsgpackPack(const PlainValue& value, size_t reserve) {
  msgpack::sbuffer buffer(reserve);
  Packer packer(buffer);
  Pack(packer, value);
  return buffer;
}

PlainValue MsgpackUnpack(const char* data, size_t size) {
  // One zone per message, on the stack. Strings and binaries are referenced
  // where they lie in the message, not copied into the zone first: the
  // message outlives the conversion, which copies them once.
  msgpack::zone zone;
  const auto reference = [](msgpack::type::object_type, size_t, void*) { return true; };
  return ToPlain(msgpack::unpack(zone, data, size, reference));
}

}  // namespace kestro::bench
