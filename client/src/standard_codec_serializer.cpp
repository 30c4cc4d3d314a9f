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
#include "value_decoder.h"
#include "value_encoder.h"
#include "wire_format.h"

namespace flutter {

namespace {

using internal::DecodeBudget;
using internal::ReadValueFromBuffer;
using internal::WriteDiagnosticLine;
using internal::WriteValueToBuffer;

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

// A stream's virtual operations, with the decode budget kept per thread (a
// derived serializer's slot may come between a list and its elements);
// nested values go through the serializer's virtual slot.
class StreamSource {
 public:
  struct Context {};
  static constexpr bool kDirect = false;

  StreamSource(const StandardCodecSerializer* serializer, ByteStreamReader* stream)
      : serializer_(serializer), stream_(stream) {}

  uint8_t Byte() { return stream_->GetByte(); }
  template <typename T>
  T Number() {
    T value{};
    stream_->GetBytes(reinterpret_cast<uint8_t*>(&value), sizeof(T));
    return value;
  }
  void SkipPadding(uint8_t alignment) { stream_->SkipPadding(alignment); }
  const uint8_t* Take(size_t length) { return stream_->TakeBytes(length); }
  template <typename Storage>
  void Elements(size_t count, Storage* storage) {
    ReadElements(stream_, count, storage);
  }
  bool Fits(uint64_t bytes, Context) const { return DecodeBudget::Fits(stream_, bytes); }
  EncodableValue Nested() { return serializer_->ReadNextValue(stream_); }

  class Container {
   public:
    Container(const StreamSource& source, Context) : budget_(source.stream_) {}
    bool Open(const StreamSource&, uint32_t count, uint32_t min_item_bytes) {
      return budget_.Open(count, min_item_bytes);
    }
    bool counted() const { return budget_.counted(); }
    bool Admits(uint64_t bytes) { return budget_.Admits(bytes); }
    bool RanShort() const { return budget_.RanShort(); }
    Context Item(uint32_t index, uint32_t extra_bytes) {
      budget_.BeginItem(index, extra_bytes);
      return {};
    }

   private:
    DecodeBudget::Container budget_;
  };

 private:
  const StandardCodecSerializer* serializer_;
  ByteStreamReader* stream_;
};

using StreamReader = internal::ValueDecoder<StreamSource>;

// A stream's virtual operations, in the order the format gives them (one
// PutBytes for each number and for each body); nested values go through the
// serializer's virtual slot.
class StreamOutput {
 public:
  struct Cursor {};  // the stream keeps its own position
  static constexpr bool kDirect = false;

  StreamOutput(const StandardCodecSerializer* serializer, ByteStreamWriter* stream)
      : serializer_(serializer), stream_(stream) {}

  static Cursor Head(Cursor at) { return at; }
  Cursor Tag(Cursor at, uint8_t byte) {
    stream_->PutByte(byte);
    return at;
  }
  template <typename T>
  Cursor Number(Cursor at, const T& number) {
    stream_->PutBytes(reinterpret_cast<const uint8_t*>(&number), sizeof(T));
    return at;
  }
  Cursor Pad(Cursor at, uint8_t alignment) {
    stream_->PutPadding(alignment);
    return at;
  }
  Cursor Body(Cursor at, const void* source, size_t length) {
    if (length != 0) stream_->PutBytes(static_cast<const uint8_t*>(source), length);
    return at;
  }
  Cursor Nested(Cursor at, const EncodableValue& value) {
    serializer_->WriteValue(value, stream_);
    return at;
  }

 private:
  const StandardCodecSerializer* serializer_;
  ByteStreamWriter* stream_;
};

using StreamWriter = internal::ValueEncoder<StreamOutput>;

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
  StreamWriter(this, stream).Value(value, {});
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
  return StreamReader(this, stream).OfType(type, {});
}

void StandardCodecSerializer::WriteSizePrefix(size_t size, ByteStreamWriter* stream) const {
  StreamWriter(this, stream).SizePrefix({}, size);
}

uint32_t StandardCodecSerializer::ReadSizePrefix(ByteStreamReader* stream) const {
  return StreamReader(this, stream).SizePrefix();
}

template <typename T>
void StandardCodecSerializer::WriteTypedList(const std::vector<T>& list, ByteStreamWriter* stream) const {
  StreamWriter writer(this, stream);
  writer.TypedListBody(writer.SizePrefix({}, list.size()), list);
}

template <typename T>
EncodableValue StandardCodecSerializer::ReadTypedList(ByteStreamReader* stream) const {
  return StreamReader(this, stream).template TypedList<T>({});
}

// For derived serializers: the element types of the format.
#define KESTRO_TYPED_LIST(T)                                                                                 \
  template void StandardCodecSerializer::WriteTypedList<T>(const std::vector<T>&, ByteStreamWriter*) const; \
  template EncodableValue StandardCodecSerializer::ReadTypedList<T>(ByteStreamReader*) const;
KESTRO_TYPED_LIST(uint8_t)
KESTRO_TYPED_LIST(int32_t)
KESTRO_TYPED_LIST(int64_t)
KESTRO_TYPED_LIST(double)
KESTRO_TYPED_LIST(float)
#undef KESTRO_TYPED_LIST

}  // namespace flutter
