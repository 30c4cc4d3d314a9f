#include "flutter/standard_codec_serializer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include <type_traits>
#include <typeinfo>

#include "decode_budget.h"
#include "diagnostics.h"
#include "flutter/byte_buffer_streams.h"

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

template <typename T>
T GetRaw(ByteStreamReader* stream) {
  T value{};
  stream->GetBytes(reinterpret_cast<uint8_t*>(&value), sizeof(T));
  return value;
}

// Reads `count` elements of a string or typed list into `storage`. A reader
// that counts its bytes has vouched for them already (the decode budget), so
// the storage is made at once. For one that cannot, it grows as the bytes
// arrive, and a short read ends it at the elements that came whole.
template <typename Storage>
void ReadElements(ByteStreamReader* stream, size_t count, Storage* storage) {
  using Element = typename Storage::value_type;
  auto read = [&](size_t from, size_t length) {
    stream->GetBytes(reinterpret_cast<uint8_t*>(storage->data() + from), length * sizeof(Element));
  };
  if (internal::DecodeBudget::Counts(stream)) {
    storage->resize(count);
    read(0, count);
    return;
  }
  constexpr size_t kFirstStep = (64 << 10) / sizeof(Element);
  size_t done = 0;
  do {  // once even for no elements, so that a read past the end still shows
    const size_t step = std::min(count - done, std::max(kFirstStep, done));
    storage->resize(done + step);
    read(done, step);
    if (stream->ReadPastEnd()) {
      storage->resize(done);
      return;
    }
    done += step;
  } while (done < count);
}

// Where the serializer's bytes go: any writer through its virtual
// operations, or the writer the method codec uses, when it is exactly a
// ByteBufferStreamWriter, without a virtual call per byte.
struct AnyWriterSink {
  ByteStreamWriter* stream;
  void Byte(uint8_t byte) { stream->PutByte(byte); }
  void Bytes(const uint8_t* source, size_t length) { stream->PutBytes(source, length); }
  void Padding(uint8_t alignment) { stream->PutPadding(alignment); }
};

// Appends straight into the array of a ByteBufferStreamWriter through a
// cursor, without a virtual call or a capacity check per byte. The array is
// grown (zero-filled) ahead of the cursor and cut back to it by Commit.
class BufferWriterSink {
 public:
  explicit BufferWriterSink(std::vector<uint8_t>* buffer) : buffer_(buffer) { Resume(); }
  ~BufferWriterSink() { Commit(); }
  BufferWriterSink(const BufferWriterSink&) = delete;
  BufferWriterSink& operator=(const BufferWriterSink&) = delete;

  void Byte(uint8_t byte) {
    Ensure(1);
    buffer_->data()[length_++] = byte;
  }
  void Bytes(const uint8_t* source, size_t length) {
    if (length > kBulk) {  // one pass, no zero fill first
      Commit();
      buffer_->insert(buffer_->end(), source, source + length);
      Resume();
      return;
    }
    Ensure(length);
    std::memcpy(buffer_->data() + length_, source, length);
    length_ += length;
  }
  void Padding(uint8_t alignment) {
    const size_t remainder = length_ % alignment;
    if (remainder == 0) return;
    Ensure(alignment - remainder);
    length_ += alignment - remainder;  // the bytes ahead of the cursor are zero
  }

  // Hands the array back at its written length, for anyone else to append.
  void Commit() { buffer_->resize(length_); }
  // Takes it up again after someone else appended.
  void Resume() { length_ = buffer_->size(); }

 private:
  static constexpr size_t kBulk = 256;

  void Ensure(size_t length) {
    if (length_ + length > buffer_->size()) Grow(length);
  }
  // Rare; kept out of line so that the appends above stay small enough to inline.
  [[gnu::noinline]] void Grow(size_t length) {
    const size_t needed = length_ + length;
    if (needed > buffer_->capacity()) buffer_->reserve(std::max(needed, buffer_->capacity() + buffer_->capacity() / 2));
    // Zero-fill a bounded step ahead only, so that a large reserve is not
    // written twice when a bulk copy follows.
    buffer_->resize(std::min(buffer_->capacity(), std::max(needed, length_ + kBulk)));
  }

  std::vector<uint8_t>* buffer_;
  size_t length_ = 0;
};

template <typename Sink, typename T>
void PutRaw(Sink& sink, const T& value) {
  sink.Bytes(reinterpret_cast<const uint8_t*>(&value), sizeof(T));
}

template <typename Sink>
void PutSizePrefix(Sink& sink, size_t size) {
  if (size < 254) {
    sink.Byte(static_cast<uint8_t>(size));
  } else if (size <= 0xffff) {
    sink.Byte(254);
    PutRaw(sink, static_cast<uint16_t>(size));
  } else {
    sink.Byte(255);
    PutRaw(sink, static_cast<uint32_t>(size));
  }
}

// The tag and size prefix of a sized value. A size the 32-bit prefix cannot
// say goes out as null instead, so that the message stays well-formed;
// returns whether the body should follow.
template <typename Sink>
bool PutSizedTag(Sink& sink, uint8_t tag, size_t size) {
  if (size > UINT32_MAX) {
    internal::WriteDiagnosticLine(
        "Value too large for the standard message format in StandardCodecSerializer::WriteValue; "
        "written as null.");
    sink.Byte(kTagNull);
    return false;
  }
  sink.Byte(tag);
  PutSizePrefix(sink, size);
  return true;
}

// Padding even for an empty list: the reader skips it whatever the count,
// and writer and reader must agree on every byte.
template <typename Sink, typename T>
void PutTypedListBody(Sink& sink, const std::vector<T>& list) {
  if (sizeof(T) > 1) sink.Padding(sizeof(T));
  if (!list.empty()) sink.Bytes(reinterpret_cast<const uint8_t*>(list.data()), list.size() * sizeof(T));
}

template <typename Sink, typename T>
void PutTypedList(Sink& sink, uint8_t tag, const std::vector<T>& list) {
  if (PutSizedTag(sink, tag, list.size())) PutTypedListBody(sink, list);
}

// Writes one value. Nested values go back through the serializer's virtual
// WriteValue, unless the serializer is the standard one itself, whose
// WriteValue is this function.
template <typename Sink>
void Put(const StandardCodecSerializer& serializer, bool standard, const EncodableValue& value, Sink& sink,
         ByteStreamWriter* stream) {
  auto put_nested = [&](const EncodableValue& nested) {
    if (standard) {
      Put(serializer, standard, nested, sink, stream);
      return;
    }
    if constexpr (std::is_same_v<Sink, BufferWriterSink>) sink.Commit();
    serializer.WriteValue(nested, stream);
    if constexpr (std::is_same_v<Sink, BufferWriterSink>) sink.Resume();
  };
  switch (value.index()) {
    case EncodableValue::kNull:
      sink.Byte(kTagNull);
      break;
    case EncodableValue::kBool:
      sink.Byte(std::get<bool>(value) ? kTagTrue : kTagFalse);
      break;
    case EncodableValue::kInt32:
      sink.Byte(kTagInt32);
      PutRaw(sink, std::get<int32_t>(value));
      break;
    case EncodableValue::kInt64:
      sink.Byte(kTagInt64);
      PutRaw(sink, std::get<int64_t>(value));
      break;
    case EncodableValue::kDouble:
      sink.Byte(kTagDouble);
      sink.Padding(8);
      PutRaw(sink, std::get<double>(value));
      break;
    case EncodableValue::kString: {
      const auto& text = std::get<std::string>(value);
      if (PutSizedTag(sink, kTagString, text.size()) && !text.empty()) {
        sink.Bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
      }
      break;
    }
    case EncodableValue::kByteList:
      PutTypedList(sink, kTagByteList, std::get<std::vector<uint8_t>>(value));
      break;
    case EncodableValue::kInt32List:
      PutTypedList(sink, kTagInt32List, std::get<std::vector<int32_t>>(value));
      break;
    case EncodableValue::kInt64List:
      PutTypedList(sink, kTagInt64List, std::get<std::vector<int64_t>>(value));
      break;
    case EncodableValue::kDoubleList:
      PutTypedList(sink, kTagDoubleList, std::get<std::vector<double>>(value));
      break;
    case EncodableValue::kList: {
      const auto& list = std::get<ValueList>(value);
      if (!PutSizedTag(sink, kTagList, list.size())) break;
      for (const EncodableValue& element : list) put_nested(element);
      break;
    }
    case EncodableValue::kMap: {
      const auto& map = std::get<ValueMap>(value);
      if (!PutSizedTag(sink, kTagMap, map.size())) break;
      for (const auto& [key, entry] : map) {
        put_nested(key);
        put_nested(entry);
      }
      break;
    }
    case EncodableValue::kCustom:
      sink.Byte(kTagNull);
      internal::WriteDiagnosticLine(
          "Unhandled custom type in StandardCodecSerializer::WriteValue. "
          "Custom types require codec extensions.");
      break;
    case EncodableValue::kFloatList:
      PutTypedList(sink, kTagFloatList, std::get<std::vector<float>>(value));
      break;
  }
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
  const bool standard = typeid(*this) == typeid(StandardCodecSerializer);
  if (typeid(*stream) == typeid(ByteBufferStreamWriter)) {
    BufferWriterSink sink(static_cast<ByteBufferStreamWriter*>(stream)->buffer());
    Put(*this, standard, value, sink, stream);
  } else {
    AnyWriterSink sink{stream};
    Put(*this, standard, value, sink, stream);
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
      if (const uint8_t* bytes = stream->TakeBytes(size)) {
        return EncodableValue(std::string(reinterpret_cast<const char*>(bytes), size));
      }
      std::string text;
      ReadElements(stream, size, &text);
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
  const uint32_t count = ReadSizePrefix(stream);
  if (!container.Open(count, 1)) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return EncodableValue(ValueList());
  }
  ValueList list;
  if (container.counted()) list.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    container.BeginItem(i, 0);
    list.push_back(ReadNextValue(stream));
    if (container.RanShort()) break;
  }
  return EncodableValue(std::move(list));
}

EncodableValue StandardCodecSerializer::ReadMap(ByteStreamReader* stream) const {
  internal::DecodeBudget::Container container(stream);
  const uint32_t count = ReadSizePrefix(stream);
  // Each entry takes at least two bytes: the key's tag and the value's tag.
  if (!container.Open(count, 2)) {
    internal::WriteDiagnosticLine(kInvalidRead);
    return EncodableValue(ValueMap());
  }
  ValueMap map;
  uint32_t dropped = 0;
  for (uint32_t i = 0; i < count; ++i) {
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
  // Equivalent keys are more than repeated ones: a NaN is equivalent to
  // every double. What a message loses that way is said, not hidden.
  if (dropped != 0) {
    internal::WriteDiagnosticLine(
        "Map entries dropped in StandardCodecSerializer::ReadValueOfType: " + std::to_string(dropped) + " of " +
        std::to_string(count) + " keys equivalent to an earlier key");
  }
  return EncodableValue(std::move(map));
}

void StandardCodecSerializer::WriteSizePrefix(size_t size, ByteStreamWriter* stream) const {
  AnyWriterSink sink{stream};
  PutSizePrefix(sink, size);
}

uint32_t StandardCodecSerializer::ReadSizePrefix(ByteStreamReader* stream) const {
  const uint8_t byte = stream->GetByte();
  if (byte < 254) return byte;
  if (byte == 254) return GetRaw<uint16_t>(stream);
  return GetRaw<uint32_t>(stream);
}

template <typename T>
void StandardCodecSerializer::WriteTypedList(const std::vector<T>& list, ByteStreamWriter* stream) const {
  AnyWriterSink sink{stream};
  PutSizePrefix(sink, list.size());
  PutTypedListBody(sink, list);
}

template <typename T>
EncodableValue StandardCodecSerializer::ReadTypedList(ByteStreamReader* stream) const {
  const uint32_t count = ReadSizePrefix(stream);
  if (!internal::DecodeBudget::Fits(stream, uint64_t{count} * sizeof(T))) {
    internal::WriteDiagnosticLine(kInvalidRead);
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
