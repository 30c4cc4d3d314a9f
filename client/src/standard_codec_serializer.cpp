#include "flutter/standard_codec_serializer.h"

#include <string>
#include <string_view>

#include "decode_budget.h"
#include "diagnostics.h"

namespace flutter {

namespace {

enum Tag : uint8_t {
  kTagNull = 0,
  kTagTrue = 1,
  kTagFalse = 2,
  kTagInt32 = 3,
  kTagInt64 = 4,
  kTagLargeInt = 5,  // never written; read as a string
  kTagDouble = 6,
  kTagString = 7,
  kTagByteList = 8,
  kTagInt32List = 9,
  kTagInt64List = 10,
  kTagDoubleList = 11,
  kTagList = 12,
  kTagMap = 13,
  kTagFloatList = 14,
};

constexpr char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader";

// A size above what the 32-bit prefix can say cannot be written; the value
// goes out as null so that the message stays well-formed.
constexpr uint64_t kMaxWritableSize = UINT32_MAX;

template <typename T>
void PutRaw(const T& value, ByteStreamWriter* stream) {
  stream->PutBytes(reinterpret_cast<const uint8_t*>(&value), sizeof(T));
}

template <typename T>
T GetRaw(ByteStreamReader* stream) {
  T value{};
  stream->GetBytes(reinterpret_cast<uint8_t*>(&value), sizeof(T));
  return value;
}

// The element count of a value that carries a size prefix, or 0.
size_t PrefixedSize(const EncodableValue& value) {
  return std::visit(
      [](const auto& payload) -> size_t {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, ValueList> ||
                      std::is_same_v<T, ValueMap> || std::is_same_v<T, std::vector<uint8_t>> ||
                      std::is_same_v<T, std::vector<int32_t>> || std::is_same_v<T, std::vector<int64_t>> ||
                      std::is_same_v<T, std::vector<double>> || std::is_same_v<T, std::vector<float>>) {
          return payload.size();
        } else {
          return 0;
        }
      },
      static_cast<const internal::EncodableVariant&>(value));
}

}  // namespace

StandardCodecSerializer::StandardCodecSerializer() = default;
StandardCodecSerializer::~StandardCodecSerializer() = default;

const StandardCodecSerializer& StandardCodecSerializer::Shared() {
  static const StandardCodecSerializer* instance = new StandardCodecSerializer();
  return *instance;
}

EncodableValue StandardCodecSerializer::ReadNextValue(ByteStreamReader* stream) const {
  const uint8_t type = stream->GetByte();
  return ReadValueOfType(type, stream);
}

void StandardCodecSerializer::WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const {
  if (PrefixedSize(value) > kMaxWritableSize) {
    internal::WriteDiagnosticLine(
        "Value too large for the standard message format in StandardCodecSerializer::WriteValue; "
        "written as null.");
    stream->PutByte(kTagNull);
    return;
  }
  switch (value.index()) {
    case EncodableValue::kNull:
      stream->PutByte(kTagNull);
      break;
    case EncodableValue::kBool:
      stream->PutByte(std::get<bool>(value) ? kTagTrue : kTagFalse);
      break;
    case EncodableValue::kInt32:
      stream->PutByte(kTagInt32);
      PutRaw(std::get<int32_t>(value), stream);
      break;
    case EncodableValue::kInt64:
      stream->PutByte(kTagInt64);
      PutRaw(std::get<int64_t>(value), stream);
      break;
    case EncodableValue::kDouble:
      stream->PutByte(kTagDouble);
      stream->PutPadding(8);
      PutRaw(std::get<double>(value), stream);
      break;
    case EncodableValue::kString: {
      const auto& text = std::get<std::string>(value);
      stream->PutByte(kTagString);
      WriteSizePrefix(text.size(), stream);
      if (!text.empty()) stream->PutBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
      break;
    }
    case EncodableValue::kByteList:
      stream->PutByte(kTagByteList);
      WriteTypedList(std::get<std::vector<uint8_t>>(value), stream);
      break;
    case EncodableValue::kInt32List:
      stream->PutByte(kTagInt32List);
      WriteTypedList(std::get<std::vector<int32_t>>(value), stream);
      break;
    case EncodableValue::kInt64List:
      stream->PutByte(kTagInt64List);
      WriteTypedList(std::get<std::vector<int64_t>>(value), stream);
      break;
    case EncodableValue::kDoubleList:
      stream->PutByte(kTagDoubleList);
      WriteTypedList(std::get<std::vector<double>>(value), stream);
      break;
    case EncodableValue::kList: {
      const auto& list = std::get<ValueList>(value);
      stream->PutByte(kTagList);
      WriteSizePrefix(list.size(), stream);
      for (const EncodableValue& element : list) WriteValue(element, stream);
      break;
    }
    case EncodableValue::kMap: {
      const auto& map = std::get<ValueMap>(value);
      stream->PutByte(kTagMap);
      WriteSizePrefix(map.size(), stream);
      for (const auto& [key, entry] : map) {
        WriteValue(key, stream);
        WriteValue(entry, stream);
      }
      break;
    }
    case EncodableValue::kCustom:
      stream->PutByte(kTagNull);
      internal::WriteDiagnosticLine(
          "Unhandled custom type in StandardCodecSerializer::WriteValue. "
          "Custom types require codec extensions.");
      break;
    case EncodableValue::kFloatList:
      stream->PutByte(kTagFloatList);
      WriteTypedList(std::get<std::vector<float>>(value), stream);
      break;
  }
}

EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type, ByteStreamReader* stream) const {
  switch (type) {
    case kTagNull:
      return EncodableValue();
    case kTagTrue:
      return EncodableValue(true);
    case kTagFalse:
      return EncodableValue(false);
    case kTagInt32:
      return EncodableValue(GetRaw<int32_t>(stream));
    case kTagInt64:
      return EncodableValue(GetRaw<int64_t>(stream));
    case kTagDouble:
      stream->SkipPadding(8);
      return EncodableValue(GetRaw<double>(stream));
    case kTagLargeInt:
    case kTagString: {
      const uint32_t size = ReadSizePrefix(stream);
      if (!internal::DecodeBudget::Fits(stream, size)) {
        internal::WriteDiagnosticLine(kInvalidRead);
        return EncodableValue(std::string());
      }
      std::string text(size, '\0');
      stream->GetBytes(reinterpret_cast<uint8_t*>(text.data()), size);
      return EncodableValue(std::move(text));
    }
    case kTagByteList:
      return ReadTypedList<uint8_t>(stream);
    case kTagInt32List:
      return ReadTypedList<int32_t>(stream);
    case kTagInt64List:
      return ReadTypedList<int64_t>(stream);
    case kTagDoubleList:
      return ReadTypedList<double>(stream);
    case kTagList:
      return ReadList(stream);
    case kTagMap:
      return ReadMap(stream);
    case kTagFloatList:
      return ReadTypedList<float>(stream);
    default:
      internal::WriteDiagnosticLine("Unknown type in StandardCodecSerializer::ReadValueOfType: " +
                                    std::to_string(type));
      return EncodableValue();
  }
}

EncodableValue StandardCodecSerializer::ReadList(ByteStreamReader* stream) const {
  internal::DecodeBudget::Container container(stream);
  if (container.too_deep()) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return EncodableValue(ValueList());
  }
  const uint32_t count = ReadSizePrefix(stream);
  if (!container.Open(count, 1)) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return EncodableValue(ValueList());
  }
  ValueList list;
  list.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    container.BeginItem(i, 0);
    list.push_back(ReadNextValue(stream));
  }
  return EncodableValue(std::move(list));
}

EncodableValue StandardCodecSerializer::ReadMap(ByteStreamReader* stream) const {
  internal::DecodeBudget::Container container(stream);
  if (container.too_deep()) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return EncodableValue(ValueMap());
  }
  const uint32_t count = ReadSizePrefix(stream);
  // Each entry takes at least two bytes: the key's tag and the value's tag.
  if (!container.Open(count, 2)) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return EncodableValue(ValueMap());
  }
  ValueMap map;
  for (uint32_t i = 0; i < count; ++i) {
    container.BeginItem(i, 1);
    EncodableValue key = ReadNextValue(stream);
    container.BeginItem(i, 0);
    EncodableValue value = ReadNextValue(stream);
    // The first occurrence of a key wins; the hint keeps sorted input linear.
    auto hint = map.lower_bound(key);
    if (hint == map.end() || key < hint->first) map.emplace_hint(hint, std::move(key), std::move(value));
  }
  return EncodableValue(std::move(map));
}

void StandardCodecSerializer::WriteSizePrefix(size_t size, ByteStreamWriter* stream) const {
  if (size < 254) {
    stream->PutByte(static_cast<uint8_t>(size));
  } else if (size <= 0xffff) {
    stream->PutByte(254);
    PutRaw(static_cast<uint16_t>(size), stream);
  } else {
    stream->PutByte(255);
    PutRaw(static_cast<uint32_t>(size), stream);
  }
}

uint32_t StandardCodecSerializer::ReadSizePrefix(ByteStreamReader* stream) const {
  const uint8_t byte = stream->GetByte();
  if (byte < 254) return byte;
  if (byte == 254) return GetRaw<uint16_t>(stream);
  return GetRaw<uint32_t>(stream);
}

template <typename T>
void StandardCodecSerializer::WriteTypedList(const std::vector<T>& list, ByteStreamWriter* stream) const {
  WriteSizePrefix(list.size(), stream);
  // An empty list still gets its padding: the reader skips it whatever the
  // count, and writer and reader must agree on every byte.
  if (sizeof(T) > 1) stream->PutPadding(sizeof(T));
  if (!list.empty()) stream->PutBytes(reinterpret_cast<const uint8_t*>(list.data()), list.size() * sizeof(T));
}

template <typename T>
EncodableValue StandardCodecSerializer::ReadTypedList(ByteStreamReader* stream) const {
  const uint32_t count = ReadSizePrefix(stream);
  if (!internal::DecodeBudget::Fits(stream, uint64_t{count} * sizeof(T))) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return EncodableValue(std::vector<T>());
  }
  std::vector<T> list(count);
  if (sizeof(T) > 1) stream->SkipPadding(sizeof(T));
  stream->GetBytes(reinterpret_cast<uint8_t*>(list.data()), list.size() * sizeof(T));
  return EncodableValue(std::move(list));
}

}  // namespace flutter
