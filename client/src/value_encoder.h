// The one writer of the standard message format, over an output `Out` that
// is either a stream's virtual operations or the direct cursor of a buffer
// writer. Out provides:
//   Cursor                  where the next byte goes, passed along and
//                           returned so that it stays in a register (empty
//                           for a stream, which keeps its own position);
//   kDirect                 whether nested values are written here (true)
//                           or through the serializer's virtual slot;
//   Head(at)                room for a tag, a 5-byte size prefix and padding,
//                           or for a tag, padding and 8 bytes;
//   Tag(at, byte), Number(at, value), Pad(at, alignment)  within that room;
//   Body(at, bytes, length) a string's or typed list's bytes, in one piece;
//   Nested(at, value)       a list element, map key or map value (!kDirect).
#ifndef KESTRO_CLIENT_VALUE_ENCODER_H_
#define KESTRO_CLIENT_VALUE_ENCODER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics.h"
#include "flutter/encodable_value.h"
#include "wire_format.h"
#include "kestro/platform/inlining.h"

namespace flutter::internal {

template <class Out>
class ValueEncoder : public Out {
 public:
  using Cursor = typename Out::Cursor;
  using Out::Out;

  // Scalars and strings are written inline, in the loops of the lists and
  // maps; the rest out of line.
  KESTRO_ALWAYS_INLINE Cursor Value(const EncodableValue& value, Cursor at) {
    at = this->Head(at);
    switch (value.index()) {
      case EncodableValue::kNull:
        return this->Tag(at, kTagNull);
      case EncodableValue::kBool:
        return this->Tag(at, *std::get_if<bool>(&value) ? kTagTrue : kTagFalse);
      case EncodableValue::kInt32:
        return this->Number(this->Tag(at, kTagInt32), *std::get_if<int32_t>(&value));
      case EncodableValue::kInt64:
        return this->Number(this->Tag(at, kTagInt64), *std::get_if<int64_t>(&value));
      case EncodableValue::kDouble:
        return this->Number(this->Pad(this->Tag(at, kTagDouble), 8), *std::get_if<double>(&value));
      case EncodableValue::kString:
        return String(at, *std::get_if<std::string>(&value));
      default:
        return Other(value, at);
    }
  }

  Cursor SizePrefix(Cursor at, size_t size) {
    if (size < 254) return this->Tag(at, static_cast<uint8_t>(size));
    if (size <= 0xffff) return this->Number(this->Tag(at, 254), static_cast<uint16_t>(size));
    return this->Number(this->Tag(at, 255), static_cast<uint32_t>(size));
  }

  // Padded even when empty: the reader skips the padding whatever the count,
  // and writer and reader must agree on every byte.
  template <typename T>
  Cursor TypedListBody(Cursor at, const std::vector<T>& list) {
    if (sizeof(T) > 1) at = this->Pad(at, sizeof(T));
    return this->Body(at, list.data(), list.size() * sizeof(T));
  }

 private:
  // The tag and size prefix of a sized value. A size the 32-bit prefix cannot
  // say goes out as null instead, so that the message stays well-formed;
  // false then, and no body follows.
  bool SizedTag(Cursor* at, uint8_t tag, size_t size) {
    if (size > UINT32_MAX) {
      WriteDiagnosticLine(kTooLargeLine);
      *at = this->Tag(*at, kTagNull);
      return false;
    }
    *at = SizePrefix(this->Tag(*at, tag), size);
    return true;
  }

  Cursor String(Cursor at, const std::string& text) {
    return SizedTag(&at, kTagString, text.size()) ? this->Body(at, text.data(), text.size()) : at;
  }

  template <typename T>
  Cursor TypedList(Cursor at, uint8_t tag, const std::vector<T>& list) {
    return SizedTag(&at, tag, list.size()) ? TypedListBody(at, list) : at;
  }

  KESTRO_ALWAYS_INLINE Cursor Element(const EncodableValue& value, Cursor at) {
    if constexpr (Out::kDirect) {
      return Value(value, at);
    } else {
      return this->Nested(at, value);
    }
  }

  KESTRO_NOINLINE Cursor Other(const EncodableValue& value, Cursor at) {
    switch (value.index()) {
      case EncodableValue::kByteList:
        return TypedList(at, kTagByteList, *std::get_if<std::vector<uint8_t>>(&value));
      case EncodableValue::kInt32List:
        return TypedList(at, kTagInt32List, *std::get_if<std::vector<int32_t>>(&value));
      case EncodableValue::kInt64List:
        return TypedList(at, kTagInt64List, *std::get_if<std::vector<int64_t>>(&value));
      case EncodableValue::kDoubleList:
        return TypedList(at, kTagDoubleList, *std::get_if<std::vector<double>>(&value));
      case EncodableValue::kList: {
        const auto& list = *std::get_if<ValueList>(&value);
        if (!SizedTag(&at, kTagList, list.size())) return at;
        for (const EncodableValue& element : list) at = Element(element, at);
        return at;
      }
      case EncodableValue::kMap: {
        const auto& map = *std::get_if<ValueMap>(&value);
        if (!SizedTag(&at, kTagMap, map.size())) return at;
        for (const auto& [key, entry] : map) {
          const std::string* text = nullptr;
          if constexpr (Out::kDirect) text = std::get_if<std::string>(&key);
          // Keys are mostly strings: a branch of their own.
          at = text != nullptr ? String(this->Head(at), *text) : Element(key, at);
          at = Element(entry, at);
        }
        return at;
      }
      case EncodableValue::kFloatList:
        return TypedList(at, kTagFloatList, *std::get_if<std::vector<float>>(&value));
      default:  // a CustomValue; the rest are written inline
        at = this->Tag(at, kTagNull);
        WriteDiagnosticLine(kCustomTypeLine);
        return at;
    }
  }
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_VALUE_ENCODER_H_
