#include "buffer_value_reader.h"

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "decode_budget.h"
#include "diagnostics.h"
#include "kestro/platform/inlining.h"
#include "flutter/standard_codec_serializer.h"
#include "wire_format.h"

namespace flutter::internal {

// Works on copies of the reader's fields, so that they stay in registers,
// and hands them back when done. The decode budget is kept here too, passed
// down as what the enclosing lists and maps are owed and how deep they sit:
// nothing else can run on this thread until the value is read.
class BufferValueReader {
 public:
  explicit BufferValueReader(ByteBufferStreamReader* reader)
      : reader_(reader),
        data_(reader->data_),
        size_(reader->size_),
        position_(reader->position_),
        read_past_end_(reader->read_past_end_) {}
  ~BufferValueReader() {
    reader_->position_ = position_;
    reader_->read_past_end_ = read_past_end_;
  }
  BufferValueReader(const BufferValueReader&) = delete;
  BufferValueReader& operator=(const BufferValueReader&) = delete;

  KESTRO_ALWAYS_INLINE EncodableValue OfType(uint8_t tag, uint64_t owed, int depth) {
    switch (tag) {
      case kTagNull:
        return EncodableValue();
      case kTagTrue:
        return EncodableValue(true);
      case kTagFalse:
        return EncodableValue(false);
      case kTagInt32:
        return EncodableValue(Number<int32_t>());
      case kTagInt64:
        return EncodableValue(Number<int64_t>());
      case kTagDouble:
        SkipPadding(8);
        return EncodableValue(Number<double>());
      case kTagLargeInt:
      case kTagString:
        return String(owed);
      case kTagByteList:
        return TypedList<uint8_t>(owed);
      case kTagInt32List:
        return TypedList<int32_t>(owed);
      case kTagInt64List:
        return TypedList<int64_t>(owed);
      case kTagDoubleList:
        return TypedList<double>(owed);
      case kTagList:
        return List(owed, depth);
      case kTagMap:
        return Map(owed, depth);
      case kTagFloatList:
        return TypedList<float>(owed);
      default:
        return Unknown(tag);
    }
  }

 private:
  // The reader's own operations, with the same results and lines.
  uint8_t Byte() {
    if (position_ >= size_) {
      ShortRead();
      return 0;
    }
    return data_[position_++];
  }
  void Bytes(void* destination, size_t length) {
    if (position_ > size_ || length > size_ - position_) {
      ShortRead();
      return;
    }
    if (length != 0) std::memcpy(destination, data_ + position_, length);
    position_ += length;
  }
  const uint8_t* Take(size_t length) {
    if (data_ == nullptr || position_ > size_ || length > size_ - position_) return nullptr;
    const uint8_t* bytes = data_ + position_;
    position_ += length;
    return bytes;
  }
  void SkipPadding(uint8_t alignment) {
    const uint64_t remainder = position_ % alignment;
    if (remainder != 0) position_ += alignment - remainder;
  }
  // The rare and the large cases stay out of line, so that reading a scalar
  // or a string costs no more than it needs.
  KESTRO_NOINLINE static EncodableValue Unknown(uint8_t tag) {
    WriteDiagnosticLine(kUnknownTypeLine + std::to_string(tag));
    return EncodableValue();
  }
  KESTRO_NOINLINE void ShortRead() {
    read_past_end_ = true;
    WriteDiagnosticLine(kInvalidReadLine);
  }

  template <typename T>
  T Number() {
    T value{};
    Bytes(&value, sizeof(T));
    return value;
  }
  uint32_t SizePrefix() {
    const uint8_t byte = Byte();
    if (byte < 254) return byte;
    if (byte == 254) return Number<uint16_t>();
    return Number<uint32_t>();
  }
  bool Fits(uint64_t bytes, uint64_t owed) const {
    return DecodeBudget::FitsIn(position_ < size_ ? size_ - position_ : 0, owed, bytes);
  }

  EncodableValue String(uint64_t owed) {
    const uint32_t size = SizePrefix();
    if (!Fits(size, owed)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(std::string());
    }
    if (const uint8_t* bytes = Take(size)) {
      return EncodableValue(std::in_place_type<std::string>, reinterpret_cast<const char*>(bytes), size);
    }
    std::string text(size, '\0');
    Bytes(text.data(), size);
    return EncodableValue(std::move(text));
  }

  template <typename T>
  KESTRO_NOINLINE EncodableValue TypedList(uint64_t owed) {
    const uint32_t count = SizePrefix();
    if (!Fits(uint64_t{count} * sizeof(T), owed)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(std::vector<T>());
    }
    if (sizeof(T) > 1) SkipPadding(sizeof(T));
    const size_t length = size_t{count} * sizeof(T);
    if constexpr (sizeof(T) == 1) {
      if (const uint8_t* bytes = Take(length)) return EncodableValue(std::vector<T>(bytes, bytes + length));
    }
    std::vector<T> list(count);
    Bytes(list.data(), length);
    return EncodableValue(std::move(list));
  }

  // A list or map one level deeper than `depth` that declares items there,
  // or more than the bytes left can hold, is refused after its size prefix.
  bool Opens(uint32_t count, uint64_t min_item_bytes, uint64_t owed, int depth) const {
    if (count != 0 && depth > StandardCodecSerializer::kMaxNestingDepth) return false;
    return Fits(count * min_item_bytes, owed);
  }

  KESTRO_NOINLINE EncodableValue List(uint64_t owed, int depth) {
    const uint32_t count = SizePrefix();
    if (!Opens(count, 1, owed, ++depth)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(ValueList());
    }
    ValueList list;
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) list.emplace_back(NextValue{this, owed + (count - i - 1), depth});
    return EncodableValue(std::move(list));
  }

  // The first occurrence of a key wins. Keys usually arrive in order, so the
  // end is the hint: one comparison places each entry.
  KESTRO_NOINLINE EncodableValue Map(uint64_t owed, int depth) {
    const uint32_t count = SizePrefix();
    if (!Opens(count, 2, owed, ++depth)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(ValueMap());
    }
    ValueMap map;
    uint32_t dropped = 0;
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t rest = owed + uint64_t{count - i - 1} * 2;
      const size_t size_before = map.size();
      map.emplace_hint(map.end(), std::piecewise_construct, std::forward_as_tuple(NextValue{this, rest + 1, depth}),
                       std::forward_as_tuple(NextValue{this, rest, depth}));
      if (map.size() == size_before) ++dropped;
    }
    if (dropped != 0) WriteDiagnosticLine(DroppedEntriesLine(dropped, count));
    return EncodableValue(std::move(map));
  }

  // The next value, read as the list element or map node is made (a key,
  // then its value): returned straight into its place rather than moved there.
  struct NextValue {
    BufferValueReader* reader;
    uint64_t owed;
    int depth;
    operator EncodableValue() const { return reader->Next(owed, depth); }
  };

  EncodableValue Next(uint64_t owed, int depth) { return OfType(Byte(), owed, depth); }

  ByteBufferStreamReader* reader_;
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_;
  bool read_past_end_;
};

EncodableValue ReadValueFromBuffer(uint8_t tag, ByteBufferStreamReader* reader) {
  const DecodeBudget::Enclosing enclosing = DecodeBudget::EnclosingOf(reader);
  return BufferValueReader(reader).OfType(tag, enclosing.owed, enclosing.depth);
}

}  // namespace flutter::internal
