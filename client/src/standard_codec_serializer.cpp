#include "flutter/standard_codec_serializer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <typeinfo>

#include "buffer_value_reader.h"
#include "buffer_value_writer.h"
#include "decode_budget.h"
#include "diagnostics.h"
#include "flutter/byte_buffer_streams.h"
#include "wire_format.h"

namespace flutter {

namespace {

using internal::DecodeBudget;
using internal::DroppedEntriesLine;
using internal::kCustomTypeLine;
using internal::kInvalidReadLine;
using internal::kTooLargeLine;
using internal::kUnknownTypeLine;
using internal::ReadValueFromBuffer;
using internal::WriteDiagnosticLine;
using internal::WriteValueToBuffer;

template <typename T>
T GetRaw(ByteStreamReader* stream) {
  T value{};
  stream->GetBytes(reinterpret_cast<uint8_t*>(&value), sizeof(T));
  return value;
}

// Reads `count` elements of a string or typed list into `storage`. A reader
// that counts its bytes has vouched for them already (the decode budget), so
// the storage is made at once. For one that cannot, it grows as the bytes
// arrive, and a short read or the end of the value's allowance ends it at the
// elements that came whole.
template <typename Storage>
void ReadElements(ByteStreamReader* stream, size_t count, Storage* storage) {
  using Element = typename Storage::value_type;
  auto read = [&](size_t from, size_t length) {
    stream->GetBytes(reinterpret_cast<uint8_t*>(storage->data() + from), length * sizeof(Element));
  };
  if (DecodeBudget::Counts(stream)) {
    storage->resize(count);
    read(0, count);
    return;
  }
  constexpr size_t kFirstStep = (64 << 10) / sizeof(Element);
  DecodeBudget::Allowance own;
  DecodeBudget::Allowance* allowance = DecodeBudget::AllowanceOf(stream, &own);
  size_t done = 0;
  do {  // once even for no elements, so that a read past the end still shows
    const size_t step = std::min(count - done, std::max(kFirstStep, done));
    if (!allowance->Take(uint64_t{step} * sizeof(Element))) {
      storage->resize(done);
      return;
    }
    storage->resize(done + step);
    read(done, step);
    if (stream->ReadPastEnd()) {
      storage->resize(done);
      return;
    }
    done += step;
  } while (done < count);
}

template <typename T>
void PutRaw(ByteStreamWriter* stream, const T& value) {
  stream->PutBytes(reinterpret_cast<const uint8_t*>(&value), sizeof(T));
}

void PutSizePrefix(ByteStreamWriter* stream, size_t size) {
  if (size < 254) {
    stream->PutByte(static_cast<uint8_t>(size));
  } else if (size <= 0xffff) {
    stream->PutByte(254);
    PutRaw(stream, static_cast<uint16_t>(size));
  } else {
    stream->PutByte(255);
    PutRaw(stream, static_cast<uint32_t>(size));
  }
}

// The tag and size prefix of a sized value. A size the 32-bit prefix cannot
// say goes out as null instead, so that the message stays well-formed;
// returns whether the body should follow.
bool PutSizedTag(ByteStreamWriter* stream, uint8_t tag, size_t size) {
  if (size > UINT32_MAX) {
    WriteDiagnosticLine(kTooLargeLine);
    stream->PutByte(internal::kTagNull);
    return false;
  }
  stream->PutByte(tag);
  PutSizePrefix(stream, size);
  return true;
}

// Padding even for an empty list: the reader skips it whatever the count,
// and writer and reader must agree on every byte.
template <typename T>
void PutTypedListBody(ByteStreamWriter* stream, const std::vector<T>& list) {
  if (sizeof(T) > 1) stream->PutPadding(sizeof(T));
  if (!list.empty()) stream->PutBytes(reinterpret_cast<const uint8_t*>(list.data()), list.size() * sizeof(T));
}

template <typename T>
void PutTypedList(ByteStreamWriter* stream, uint8_t tag, const std::vector<T>& list) {
  if (PutSizedTag(stream, tag, list.size())) PutTypedListBody(stream, list);
}

// Whether `serializer` is the standard one itself, which reads and writes
// exactly the buffer streams directly (buffer_value_reader.h,
// buffer_value_writer.h); a derived one takes every value through its slots.
bool IsStandard(const StandardCodecSerializer& serializer) {
  return typeid(serializer) == typeid(StandardCodecSerializer);
}

// Running out of memory ends the whole value being read, not just the part
// that failed: the outermost read catches it, with one line, and the lists
// and maps around the failure are dropped on the way out.
EncodableValue OutOfMemory(const ByteStreamReader* stream) {
  if (DecodeBudget::EnclosingOf(stream).depth != 0) throw;
  WriteDiagnosticLine(internal::kOutOfMemoryLine);
  return EncodableValue();
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
  try {
    return ReadValueOfType(type, stream);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(stream);
  }
}

void StandardCodecSerializer::WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const {
  if (IsStandard(*this) && typeid(*stream) == typeid(ByteBufferStreamWriter)) {
    WriteValueToBuffer(value, static_cast<ByteBufferStreamWriter*>(stream)->buffer());
    return;
  }
  switch (value.index()) {
    case EncodableValue::kNull:
      stream->PutByte(internal::kTagNull);
      break;
    case EncodableValue::kBool:
      stream->PutByte(std::get<bool>(value) ? internal::kTagTrue : internal::kTagFalse);
      break;
    case EncodableValue::kInt32:
      stream->PutByte(internal::kTagInt32);
      PutRaw(stream, std::get<int32_t>(value));
      break;
    case EncodableValue::kInt64:
      stream->PutByte(internal::kTagInt64);
      PutRaw(stream, std::get<int64_t>(value));
      break;
    case EncodableValue::kDouble:
      stream->PutByte(internal::kTagDouble);
      stream->PutPadding(8);
      PutRaw(stream, std::get<double>(value));
      break;
    case EncodableValue::kString: {
      const auto& text = std::get<std::string>(value);
      if (PutSizedTag(stream, internal::kTagString, text.size()) && !text.empty()) {
        stream->PutBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
      }
      break;
    }
    case EncodableValue::kByteList:
      PutTypedList(stream, internal::kTagByteList, std::get<std::vector<uint8_t>>(value));
      break;
    case EncodableValue::kInt32List:
      PutTypedList(stream, internal::kTagInt32List, std::get<std::vector<int32_t>>(value));
      break;
    case EncodableValue::kInt64List:
      PutTypedList(stream, internal::kTagInt64List, std::get<std::vector<int64_t>>(value));
      break;
    case EncodableValue::kDoubleList:
      PutTypedList(stream, internal::kTagDoubleList, std::get<std::vector<double>>(value));
      break;
    case EncodableValue::kList: {
      const auto& list = std::get<ValueList>(value);
      if (!PutSizedTag(stream, internal::kTagList, list.size())) break;
      for (const EncodableValue& element : list) WriteValue(element, stream);
      break;
    }
    case EncodableValue::kMap: {
      const auto& map = std::get<ValueMap>(value);
      if (!PutSizedTag(stream, internal::kTagMap, map.size())) break;
      for (const auto& [key, entry] : map) {
        WriteValue(key, stream);
        WriteValue(entry, stream);
      }
      break;
    }
    case EncodableValue::kCustom:
      stream->PutByte(internal::kTagNull);
      WriteDiagnosticLine(kCustomTypeLine);
      break;
    case EncodableValue::kFloatList:
      PutTypedList(stream, internal::kTagFloatList, std::get<std::vector<float>>(value));
      break;
  }
}

EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type, ByteStreamReader* stream) const {
  try {
    return ReadBody(type, stream);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(stream);
  }
}

EncodableValue StandardCodecSerializer::ReadBody(uint8_t type, ByteStreamReader* stream) const {
  if (IsStandard(*this) && typeid(*stream) == typeid(ByteBufferStreamReader)) {
    return ReadValueFromBuffer(type, static_cast<ByteBufferStreamReader*>(stream));
  }
  switch (type) {
    case internal::kTagNull:
      return EncodableValue();
    case internal::kTagTrue:
      return EncodableValue(true);
    case internal::kTagFalse:
      return EncodableValue(false);
    case internal::kTagInt32:
      return EncodableValue(GetRaw<int32_t>(stream));
    case internal::kTagInt64:
      return EncodableValue(GetRaw<int64_t>(stream));
    case internal::kTagDouble:
      stream->SkipPadding(8);
      return EncodableValue(GetRaw<double>(stream));
    case internal::kTagLargeInt:
    case internal::kTagString: {
      const uint32_t size = ReadSizePrefix(stream);
      if (!DecodeBudget::Fits(stream, size)) {
        WriteDiagnosticLine(kInvalidReadLine);
        return EncodableValue(std::string());
      }
      if (const uint8_t* bytes = stream->TakeBytes(size)) {
        return EncodableValue(std::string(reinterpret_cast<const char*>(bytes), size));
      }
      std::string text;
      ReadElements(stream, size, &text);
      return EncodableValue(std::move(text));
    }
    case internal::kTagByteList:
      return ReadTypedList<uint8_t>(stream);
    case internal::kTagInt32List:
      return ReadTypedList<int32_t>(stream);
    case internal::kTagInt64List:
      return ReadTypedList<int64_t>(stream);
    case internal::kTagDoubleList:
      return ReadTypedList<double>(stream);
    case internal::kTagList:
      return ReadList(stream);
    case internal::kTagMap:
      return ReadMap(stream);
    case internal::kTagFloatList:
      return ReadTypedList<float>(stream);
    default:
      WriteDiagnosticLine(kUnknownTypeLine + std::to_string(type));
      return EncodableValue();
  }
}

EncodableValue StandardCodecSerializer::ReadList(ByteStreamReader* stream) const {
  DecodeBudget::Container container(stream);
  const uint32_t count = ReadSizePrefix(stream);
  if (!container.Open(count, 1)) {
    WriteDiagnosticLine(kInvalidReadLine);
    return EncodableValue(ValueList());
  }
  ValueList list;
  if (container.counted()) list.reserve(count);
  for (uint32_t i = 0; i < count && container.Admits(sizeof(EncodableValue)); ++i) {
    container.BeginItem(i, 0);
    list.push_back(ReadNextValue(stream));
    if (container.RanShort()) break;
  }
  return EncodableValue(std::move(list));
}

EncodableValue StandardCodecSerializer::ReadMap(ByteStreamReader* stream) const {
  DecodeBudget::Container container(stream);
  const uint32_t count = ReadSizePrefix(stream);
  // Each entry takes at least two bytes: the key's tag and the value's tag.
  if (!container.Open(count, 2)) {
    WriteDiagnosticLine(kInvalidReadLine);
    return EncodableValue(ValueMap());
  }
  ValueMap map;
  uint32_t dropped = 0;
  for (uint32_t i = 0; i < count && container.Admits(2 * sizeof(EncodableValue)); ++i) {
    container.BeginItem(i, 1);
    EncodableValue key = ReadNextValue(stream);
    container.BeginItem(i, 0);
    EncodableValue value = ReadNextValue(stream);
    // The first occurrence of a key wins: a later equivalent key is not
    // inserted. Writers send keys in order, so the end is the right hint.
    const size_t size_before = map.size();
    map.emplace_hint(map.end(), std::move(key), std::move(value));
    if (map.size() == size_before) ++dropped;
    if (container.RanShort()) break;
  }
  if (dropped != 0) WriteDiagnosticLine(DroppedEntriesLine(dropped, count));
  return EncodableValue(std::move(map));
}

void StandardCodecSerializer::WriteSizePrefix(size_t size, ByteStreamWriter* stream) const {
  PutSizePrefix(stream, size);
}

uint32_t StandardCodecSerializer::ReadSizePrefix(ByteStreamReader* stream) const {
  const uint8_t byte = stream->GetByte();
  if (byte < 254) return byte;
  if (byte == 254) return GetRaw<uint16_t>(stream);
  return GetRaw<uint32_t>(stream);
}

template <typename T>
void StandardCodecSerializer::WriteTypedList(const std::vector<T>& list, ByteStreamWriter* stream) const {
  PutSizePrefix(stream, list.size());
  PutTypedListBody(stream, list);
}

template <typename T>
EncodableValue StandardCodecSerializer::ReadTypedList(ByteStreamReader* stream) const {
  const uint32_t count = ReadSizePrefix(stream);
  if (!DecodeBudget::Fits(stream, uint64_t{count} * sizeof(T))) {
    WriteDiagnosticLine(kInvalidReadLine);
    return EncodableValue(std::vector<T>());
  }
  if (sizeof(T) > 1) stream->SkipPadding(sizeof(T));
  const size_t length = size_t{count} * sizeof(T);
  if (const uint8_t* bytes = stream->TakeBytes(length)) {
    if constexpr (sizeof(T) == 1) {
      return EncodableValue(std::vector<T>(bytes, bytes + length));  // no zero fill first
    } else {
      std::vector<T> list(count);
      if (length != 0) std::memcpy(list.data(), bytes, length);
      return EncodableValue(std::move(list));
    }
  }
  std::vector<T> list;
  ReadElements(stream, count, &list);
  return EncodableValue(std::move(list));
}

}  // namespace flutter
