// The standard serializer reads and writes exactly the buffer streams
// directly; a derived serializer or any other stream takes every value and
// byte through the virtual operations. On random values and messages, valid
// or not, both ways must give the same bytes, values, lines and positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace flutter::testing {
namespace {

// Derived, so every value goes through the virtual slots.
class PlainSerializer : public StandardCodecSerializer {};

// Not exactly a ByteBufferStreamWriter, so every byte goes through PutByte
// and PutBytes.
class PlainWriter : public ByteBufferStreamWriter {
 public:
  using ByteBufferStreamWriter::ByteBufferStreamWriter;
};

// Containers through the virtual slots, everything else through the shared
// serializer, which reads those directly inside the open containers.
class MixedSerializer : public StandardCodecSerializer {
 public:
  EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const override {
    if (type == 12 || type == 13) return StandardCodecSerializer::ReadValueOfType(type, stream);
    return StandardCodecSerializer::Shared().ReadValueOfType(type, stream);
  }
};

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}

  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
  bool OneIn(size_t n) { return Below(n) == 0; }
  uint8_t Byte() { return static_cast<uint8_t>(Below(256)); }

  // Mostly short; now and then a size next to where the size prefix grows.
  size_t Size() {
    static constexpr size_t kEdges[] = {0, 1, 253, 254, 255, 256, 65535, 65536};
    return OneIn(12) ? kEdges[Below(std::size(kEdges))] : Below(24);
  }

  // Short strings sharing prefixes, so that keys collide and order closely.
  std::string Text(size_t size) {
    std::string text(size, '\0');
    for (char& c : text) c = static_cast<char>(OneIn(4) ? Byte() : 'a' + Below(3));
    return text;
  }

  template <typename T>
  std::vector<T> Numbers(size_t size) {
    std::vector<T> list(size);
    for (T& element : list) {
      uint64_t bits = engine_();
      bits = bits << 32 | engine_();
      std::memcpy(&element, &bits, sizeof(T));
    }
    return list;
  }

  EncodableValue Leaf() {
    switch (Below(13)) {
      case 0: return EncodableValue();
      case 1: return EncodableValue(OneIn(2));
      case 2: return EncodableValue(static_cast<int32_t>(engine_()));
      case 3: return EncodableValue(static_cast<int64_t>(uint64_t{engine_()} << 32 | engine_()));
      case 4: return EncodableValue(OneIn(8) ? std::nan("") : static_cast<double>(engine_()) / 7);
      case 5: return EncodableValue(Text(Size()));
      case 6: return EncodableValue(Numbers<uint8_t>(Size()));
      case 7: return EncodableValue(Numbers<int32_t>(Size()));
      case 8: return EncodableValue(Numbers<int64_t>(Size()));
      case 9: return EncodableValue(Numbers<double>(Size()));
      case 10: return EncodableValue(Numbers<float>(Size()));
      case 11: return EncodableValue(CustomValue(42));
      default: return EncodableValue(Text(Below(10)));
    }
  }

  // Containers of leaves may hold a few hundred items; the others a few.
  size_t Count(int depth) { return depth == 1 && OneIn(8) ? 253 + Below(4) : Below(6); }

  EncodableValue Value(int depth) {
    if (depth == 0 || Below(3) != 0) return Leaf();
    const size_t count = Count(depth);
    if (OneIn(2)) {
      ValueList list;
      for (size_t i = 0; i < count; ++i) list.push_back(Value(depth - 1));
      return EncodableValue(std::move(list));
    }
    ValueMap map;
    for (size_t i = 0; i < count; ++i) map.emplace(OneIn(3) ? Leaf() : EncodableValue(Text(Below(6))), Value(depth - 1));
    return EncodableValue(std::move(map));
  }

  // A message another sender could write: map entries in order, out of
  // order or repeated, and prefixes that need not be minimal.
  void Message(int depth, Bytes* out) {
    if (depth == 0 || Below(3) != 0) {
      ByteBufferStreamWriter writer(out);
      StandardCodecSerializer::Shared().WriteValue(Leaf(), &writer);
      return;
    }
    const bool is_map = OneIn(2);
    const size_t count = Count(depth);
    out->push_back(is_map ? 13 : 12);
    SizePrefix(count, out);
    for (size_t i = 0; i < count; ++i) {
      if (is_map) {
        ByteBufferStreamWriter writer(out);
        const EncodableValue key = OneIn(3) ? Leaf() : EncodableValue(Text(Below(3)));
        StandardCodecSerializer::Shared().WriteValue(key, &writer);
      }
      Message(depth - 1, out);
    }
  }

  void SizePrefix(size_t size, Bytes* out) {
    if (size < 254 && !OneIn(8)) {
      out->push_back(static_cast<uint8_t>(size));
    } else if (size <= 0xffff) {
      out->push_back(254);
      out->insert(out->end(), {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)});
    } else {
      out->push_back(255);
      for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(size >> shift));
    }
  }

  // What a damaged or hostile message looks like: cut short, bytes changed.
  Bytes Damaged(Bytes bytes) {
    if (!bytes.empty() && OneIn(2)) bytes.resize(Below(bytes.size()));
    for (size_t n = Below(4); n > 0 && !bytes.empty(); --n) bytes[Below(bytes.size())] = Byte();
    return bytes;
  }

 private:
  std::mt19937 engine_;
};

struct Written {
  Bytes bytes;
  std::vector<std::string> lines;
};

// Behind `lead` bytes already in the array, so that padding starts anywhere.
Written Write(const EncodableValue& value, size_t lead, const StandardCodecSerializer& serializer, bool plain_writer) {
  Written written{Bytes(lead, 0xEE), {}};
  written.lines = StderrLinesOf([&] {
    if (plain_writer) {
      PlainWriter writer(&written.bytes);
      serializer.WriteValue(value, &writer);
    } else {
      ByteBufferStreamWriter writer(&written.bytes);
      serializer.WriteValue(value, &writer);
    }
  });
  return written;
}

// What each of `messages` reads as, and every line all of them wrote.
struct Reads {
  std::vector<std::string> value_hex;
  std::vector<uint64_t> positions;
  std::vector<std::string> lines;
};

Reads ReadAll(const std::vector<Bytes>& messages, const StandardCodecSerializer& serializer) {
  Reads reads;
  std::vector<EncodableValue> values;
  reads.lines = StderrLinesOf([&] {
    for (const Bytes& bytes : messages) {
      ByteBufferStreamReader reader(bytes.data(), bytes.size());
      values.push_back(serializer.ReadNextValue(&reader));
      reads.positions.push_back(reader.position());
    }
  });
  for (const EncodableValue& value : values) reads.value_hex.push_back(Hex(Encode(value)));
  return reads;
}

TEST(DirectPath, MatchesThePathThroughTheVirtualOperationsOnRandomInput) {
  Random random(20261208);
  const PlainSerializer plain;
  const MixedSerializer mixed;
  for (int round = 0; round < 400; ++round) {
    const EncodableValue value = random.Value(3);
    const size_t lead = random.Below(9);
    const Written direct = Write(value, lead, StandardCodecSerializer::Shared(), false);
    for (const Written& other :
         {Write(value, lead, plain, false), Write(value, lead, StandardCodecSerializer::Shared(), true)}) {
      ASSERT_EQ(Hex(direct.bytes), Hex(other.bytes)) << "round " << round;
      ASSERT_EQ(direct.lines, other.lines) << "round " << round;
    }

    // Whole, damaged, and cut at every length (which finds each declared
    // size at the edge of what the message still holds).
    Bytes message;
    random.Message(3, &message);
    std::vector<Bytes> messages{direct.bytes, message, random.Damaged(message), random.Damaged(direct.bytes)};
    for (size_t length = 0; length < message.size() && length < 400; ++length) {
      messages.emplace_back(message.begin(), message.begin() + length);
    }
    const Reads expected = ReadAll(messages, plain);
    for (const StandardCodecSerializer* serializer :
         {&StandardCodecSerializer::Shared(), static_cast<const StandardCodecSerializer*>(&mixed)}) {
      const Reads reads = ReadAll(messages, *serializer);
      for (size_t i = 0; i < messages.size(); ++i) {
        ASSERT_EQ(reads.value_hex[i], expected.value_hex[i]) << "round " << round << ": " << Hex(messages[i]);
        ASSERT_EQ(reads.positions[i], expected.positions[i]) << "round " << round << ": " << Hex(messages[i]);
      }
      ASSERT_EQ(reads.lines, expected.lines) << "round " << round;
    }
  }
}

// Strings order as their unsigned bytes do, a proper prefix first.
TEST(DirectPath, StringKeysOrderAsTheirBytesOnRandomInput) {
  Random random(7);
  for (int round = 0; round < 20000; ++round) {
    const std::string a = random.Text(random.Below(20));
    std::string b = a.substr(0, random.Below(a.size() + 1)) + random.Text(random.Below(20));
    const int order = a.compare(b);
    ASSERT_EQ(EncodableValue(a) < EncodableValue(b), order < 0) << Hex(TextBytes(a)) << " / " << Hex(TextBytes(b));
    ASSERT_EQ(EncodableValue(b) < EncodableValue(a), order > 0) << Hex(TextBytes(a)) << " / " << Hex(TextBytes(b));
  }
}

}  // namespace
}  // namespace flutter::testing
