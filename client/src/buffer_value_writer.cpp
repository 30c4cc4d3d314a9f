#include "buffer_value_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "diagnostics.h"
#include "kestro/platform/inlining.h"
#include "wire_format.h"

namespace flutter::internal {

namespace {

// Writes through a cursor that is passed along and returned, so that it stays
// in a register. The array's size marks the end of the room ahead of the
// cursor, which is zero-filled (padding is a step over it); the array is cut
// back to the cursor when the value is done.
class BufferValueWriter {
 public:
  explicit BufferValueWriter(std::vector<uint8_t>* buffer)
      : buffer_(buffer), base_(buffer->data()), room_end_(base_ + buffer->size()) {}

  void Write(const EncodableValue& value) {
    uint8_t* out = Value(value, room_end_);
    buffer_->resize(static_cast<size_t>(out - base_));
  }

 private:
  // Enough for any value but the bodies of strings and lists: a tag, a
  // 5-byte size prefix and 7 bytes of padding, or a tag, padding and 8 bytes.
  static constexpr size_t kHeadRoom = 16;
  // Room is zero-filled in steps of this much; a longer body is appended in
  // one copy instead, so that it is not written twice.
  static constexpr size_t kRoomStep = 1024;

  uint8_t* Room(uint8_t* out, size_t length) {
    if (static_cast<size_t>(room_end_ - out) >= length) return out;
    return Grow(out, length);
  }

  // Rare; out of line so that the writes stay small enough to inline.
  KESTRO_NOINLINE uint8_t* Grow(uint8_t* out, size_t length) {
    const size_t offset = static_cast<size_t>(out - base_);
    Reserve(offset + length);
    buffer_->resize(std::min(buffer_->capacity(), std::max(offset + length, offset + kRoomStep)));
    return Rebase(offset);
  }

  // Capacity grows by half, at least to `needed`, where the array alone
  // would double.
  void Reserve(size_t needed) {
    if (needed > buffer_->capacity()) buffer_->reserve(std::max(needed, buffer_->capacity() + buffer_->capacity() / 2));
  }

  uint8_t* Rebase(size_t offset) {
    base_ = buffer_->data();
    room_end_ = base_ + buffer_->size();
    return base_ + offset;
  }

  uint8_t* Bytes(uint8_t* out, const void* source, size_t length) {
    if (static_cast<size_t>(room_end_ - out) < length && length > kRoomStep) return Append(out, source, length);
    out = Room(out, length);
    CopyBytes(out, static_cast<const uint8_t*>(source), length);
    return out + length;
  }

  // A long body goes in with one copy, after the array is cut back to the cursor.
  KESTRO_NOINLINE uint8_t* Append(uint8_t* out, const void* source, size_t length) {
    const size_t offset = static_cast<size_t>(out - base_);
    buffer_->resize(offset);
    Reserve(offset + length);
    const auto* bytes = static_cast<const uint8_t*>(source);
    buffer_->insert(buffer_->end(), bytes, bytes + length);
    return Rebase(offset + length);
  }

  // Keys and short strings are a few bytes: copied in two overlapping
  // words rather than through a call.
  static void CopyBytes(uint8_t* out, const uint8_t* source, size_t length) {
    if (length >= 8 && length <= 16) {
      std::memcpy(out, source, 8);
      std::memcpy(out + length - 8, source + length - 8, 8);
    } else if (length >= 4 && length < 8) {
      std::memcpy(out, source, 4);
      std::memcpy(out + length - 4, source + length - 4, 4);
    } else if (length != 0) {
      std::memcpy(out, source, length);
    }
  }

  // The room ahead is zero already.
  uint8_t* Pad(uint8_t* out, size_t alignment) {
    const size_t remainder = static_cast<size_t>(out - base_) % alignment;
    return remainder == 0 ? out : out + (alignment - remainder);
  }

  template <typename T>
  static uint8_t* Number(uint8_t* out, const T& number) {
    std::memcpy(out, &number, sizeof(T));
    return out + sizeof(T);
  }

  // The tag and size prefix of a sized value, within the head room. A size
  // the 32-bit prefix cannot say goes out as null instead, so that the
  // message stays well-formed; null is returned then, and no body follows.
  static uint8_t* SizedTag(uint8_t* out, uint8_t tag, size_t size) {
    if (size > UINT32_MAX) {
      WriteDiagnosticLine(kTooLargeLine);
      *out = kTagNull;
      return nullptr;
    }
    *out++ = tag;
    if (size < 254) {
      *out++ = static_cast<uint8_t>(size);
    } else if (size <= 0xffff) {
      *out++ = 254;
      out = Number(out, static_cast<uint16_t>(size));
    } else {
      *out++ = 255;
      out = Number(out, static_cast<uint32_t>(size));
    }
    return out;
  }

  // Padded even when empty: the reader skips the padding whatever the count.
  template <typename T>
  uint8_t* TypedList(uint8_t* out, uint8_t tag, const std::vector<T>& list) {
    uint8_t* body = SizedTag(out, tag, list.size());
    if (body == nullptr) return out + 1;
    if (sizeof(T) > 1) body = Pad(body, sizeof(T));
    return Bytes(body, list.data(), list.size() * sizeof(T));
  }

  // Scalars and strings are written inline, in the loops of the lists and
  // maps; the rest out of line.
  KESTRO_ALWAYS_INLINE uint8_t* Value(const EncodableValue& value, uint8_t* out) {
    out = Room(out, kHeadRoom);
    switch (value.index()) {
      case EncodableValue::kNull:
        *out = kTagNull;
        return out + 1;
      case EncodableValue::kBool:
        *out = *std::get_if<bool>(&value) ? kTagTrue : kTagFalse;
        return out + 1;
      case EncodableValue::kInt32:
        *out = kTagInt32;
        return Number(out + 1, *std::get_if<int32_t>(&value));
      case EncodableValue::kInt64:
        *out = kTagInt64;
        return Number(out + 1, *std::get_if<int64_t>(&value));
      case EncodableValue::kDouble:
        *out = kTagDouble;
        return Number(Pad(out + 1, 8), *std::get_if<double>(&value));
      case EncodableValue::kString:
        return String(out, *std::get_if<std::string>(&value));
      default:
        return Other(value, out);
    }
  }

  uint8_t* String(uint8_t* out, const std::string& text) {
    uint8_t* body = SizedTag(out, kTagString, text.size());
    return body == nullptr ? out + 1 : Bytes(body, text.data(), text.size());
  }

  KESTRO_NOINLINE uint8_t* Other(const EncodableValue& value, uint8_t* out) {
    switch (value.index()) {
      case EncodableValue::kByteList:
        return TypedList(out, kTagByteList, *std::get_if<std::vector<uint8_t>>(&value));
      case EncodableValue::kInt32List:
        return TypedList(out, kTagInt32List, *std::get_if<std::vector<int32_t>>(&value));
      case EncodableValue::kInt64List:
        return TypedList(out, kTagInt64List, *std::get_if<std::vector<int64_t>>(&value));
      case EncodableValue::kDoubleList:
        return TypedList(out, kTagDoubleList, *std::get_if<std::vector<double>>(&value));
      case EncodableValue::kList: {
        const auto& list = *std::get_if<ValueList>(&value);
        uint8_t* body = SizedTag(out, kTagList, list.size());
        if (body == nullptr) return out + 1;
        for (const EncodableValue& element : list) body = Value(element, body);
        return body;
      }
      case EncodableValue::kMap: {
        const auto& map = *std::get_if<ValueMap>(&value);
        uint8_t* body = SizedTag(out, kTagMap, map.size());
        if (body == nullptr) return out + 1;
        for (const auto& [key, entry] : map) {
          // Keys are mostly strings: a branch of their own.
          const std::string* text = std::get_if<std::string>(&key);
          body = text != nullptr ? String(Room(body, kHeadRoom), *text) : Value(key, body);
          body = Value(entry, body);
        }
        return body;
      }
      case EncodableValue::kFloatList:
        return TypedList(out, kTagFloatList, *std::get_if<std::vector<float>>(&value));
      default:  // a CustomValue; the rest are written inline
        *out = kTagNull;
        WriteDiagnosticLine(kCustomTypeLine);
        return out + 1;
    }
  }

  std::vector<uint8_t>* buffer_;
  uint8_t* base_;
  uint8_t* room_end_;
};

}  // namespace

void WriteValueToBuffer(const EncodableValue& value, std::vector<uint8_t>* buffer) {
  BufferValueWriter(buffer).Write(value);
}

}  // namespace flutter::internal
