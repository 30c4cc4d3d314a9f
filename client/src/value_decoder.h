// The one reader of the standard message format, over a source `Source` that
// is either a stream's virtual operations or the memory of a buffer reader.
// Source provides:
//   Context            what the decode budget needs to know of the lists and
//                      maps around a read (empty where it is kept per thread);
//   kDirect            whether nested values are read here (true) or through
//                      the serializer's virtual slot, by Nested();
//   Byte(), Number<T>(), SkipPadding(alignment);
//   Fits(bytes, context)  whether a declared size may be made storage for;
//   Take(length)       the next bytes where they lie, or null;
//   Elements(count, storage)  reads what Take could not hand over;
//   Container(source, context)  one list or map being read, with
//     Open(source, count, min_item_bytes), counted(), Admits(bytes),
//     RanShort() and Item(index, extra_bytes) -> the item's Context
//     (decode_budget.h).
#ifndef KESTRO_CLIENT_VALUE_DECODER_H_
#define KESTRO_CLIENT_VALUE_DECODER_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "diagnostics.h"
#include "flutter/encodable_value.h"
#include "wire_format.h"
#include "kestro/platform/inlining.h"

namespace flutter::internal {

template <class Source>
class ValueDecoder : public Source {
 public:
  using Context = typename Source::Context;
  using Container = typename Source::Container;
  using Source::Source;

  KESTRO_ALWAYS_INLINE EncodableValue OfType(uint8_t tag, Context context) {
    switch (tag) {
      case kTagNull:
        return EncodableValue();
      case kTagTrue:
        return EncodableValue(true);
      case kTagFalse:
        return EncodableValue(false);
      case kTagInt32:
        return EncodableValue(this->template Number<int32_t>());
      case kTagInt64:
        return EncodableValue(this->template Number<int64_t>());
      case kTagDouble:
        this->SkipPadding(8);
        return EncodableValue(this->template Number<double>());
      case kTagLargeInt:
      case kTagString:
        return String(context);
      case kTagByteList:
        return TypedList<uint8_t>(context);
      case kTagInt32List:
        return TypedList<int32_t>(context);
      case kTagInt64List:
        return TypedList<int64_t>(context);
      case kTagDoubleList:
        return TypedList<double>(context);
      case kTagList:
        return List(context);
      case kTagMap:
        return Map(context);
      case kTagFloatList:
        return TypedList<float>(context);
      default:
        return Unknown(tag);
    }
  }

  uint32_t SizePrefix() {
    const uint8_t byte = this->Byte();
    if (byte < 254) return byte;
    if (byte == 254) return this->template Number<uint16_t>();
    return this->template Number<uint32_t>();
  }

  // The body of a typed list whose tag was already taken.
  template <typename T>
  KESTRO_NOINLINE EncodableValue TypedList(Context context) {
    const uint32_t count = this->SizePrefix();
    if (!this->Fits(uint64_t{count} * sizeof(T), context)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(std::vector<T>());
    }
    if (sizeof(T) > 1) this->SkipPadding(sizeof(T));
    const size_t length = size_t{count} * sizeof(T);
    if (const uint8_t* bytes = this->Take(length)) {
      if constexpr (sizeof(T) == 1) {
        return EncodableValue(std::vector<T>(bytes, bytes + length));  // no zero fill first
      } else {
        std::vector<T> list(count);
        if (length != 0) std::memcpy(list.data(), bytes, length);
        return EncodableValue(std::move(list));
      }
    }
    std::vector<T> list;
    this->Elements(count, &list);
    return EncodableValue(std::move(list));
  }

 private:
  // The rare and the large cases stay out of line, so that reading a scalar
  // or a string costs no more than it needs.
  KESTRO_NOINLINE static EncodableValue Unknown(uint8_t tag) {
    WriteDiagnosticLine(kUnknownTypeLine + std::to_string(tag));
    return EncodableValue();
  }

  EncodableValue String(Context context) {
    const uint32_t size = this->SizePrefix();
    if (!this->Fits(size, context)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(std::string());
    }
    if (const uint8_t* bytes = this->Take(size)) {
      return EncodableValue(std::in_place_type<std::string>, reinterpret_cast<const char*>(bytes), size);
    }
    std::string text;
    this->Elements(size, &text);
    return EncodableValue(std::move(text));
  }

  // The next value, read as the list element or map node is made (a key,
  // then its value): returned straight into its place rather than moved there.
  struct NextValue {
    ValueDecoder* decoder;
    Container* container;
    uint32_t index;
    uint32_t extra_bytes;
    operator EncodableValue() const { return decoder->Next(container->Item(index, extra_bytes)); }
  };

  EncodableValue Next(Context context) {
    if constexpr (Source::kDirect) {
      return OfType(this->Byte(), context);
    } else {
      return this->Nested();
    }
  }

  // A list or map nested too deep, or holding more than the bytes left can,
  // is refused after its size prefix.
  KESTRO_NOINLINE EncodableValue List(Context context) {
    Container container(*this, context);
    const uint32_t count = this->SizePrefix();
    if (!container.Open(*this, count, 1)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(ValueList());
    }
    ValueList list;
    if (container.counted()) list.reserve(count);
    for (uint32_t i = 0; i < count && container.Admits(sizeof(EncodableValue)); ++i) {
      list.emplace_back(NextValue{this, &container, i, 0});
      if (container.RanShort()) break;
    }
    return EncodableValue(std::move(list));
  }

  // The first occurrence of a key wins: a later equivalent key is not
  // inserted. Keys usually arrive in order, so the end is the hint: one
  // comparison places each entry.
  KESTRO_NOINLINE EncodableValue Map(Context context) {
    Container container(*this, context);
    const uint32_t count = this->SizePrefix();
    // Each entry takes at least two bytes: the key's tag and the value's tag.
    if (!container.Open(*this, count, 2)) {
      WriteDiagnosticLine(kInvalidReadLine);
      return EncodableValue(ValueMap());
    }
    ValueMap map;
    uint32_t dropped = 0;
    for (uint32_t i = 0; i < count && container.Admits(2 * sizeof(EncodableValue)); ++i) {
      const size_t size_before = map.size();
      map.emplace_hint(map.end(), std::piecewise_construct, std::forward_as_tuple(NextValue{this, &container, i, 1}),
                       std::forward_as_tuple(NextValue{this, &container, i, 0}));
      if (map.size() == size_before) ++dropped;
      if (container.RanShort()) break;
    }
    if (dropped != 0) WriteDiagnosticLine(DroppedEntriesLine(dropped, count));
    return EncodableValue(std::move(map));
  }
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_VALUE_DECODER_H_
