#include "buffer_value_reader.h"

#include <cstring>

#include "decode_budget.h"
#include "value_decoder.h"
#include "kestro/platform/inlining.h"

namespace flutter::internal {

// Works on copies of the reader's fields, so that they stay in registers,
// and hands them back when done. The decode budget is kept here too, passed
// down as what the enclosing lists and maps are owed and how deep they sit:
// nothing else can run on this thread until the value is read.
class BufferValueReader {
 public:
  struct Context {
    uint64_t owed;
    int depth;
  };
  static constexpr bool kDirect = true;

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

  // The reader's own operations, with the same results and lines.
  uint8_t Byte() {
    if (position_ >= size_) {
      ShortRead();
      return 0;
    }
    return data_[position_++];
  }
  template <typename T>
  T Number() {
    T value{};
    Bytes(&value, sizeof(T));
    return value;
  }
  void SkipPadding(uint8_t alignment) {
    const uint64_t remainder = position_ % alignment;
    if (remainder != 0) position_ += alignment - remainder;
  }
  const uint8_t* Take(size_t length) {
    if (data_ == nullptr || position_ > size_ || length > size_ - position_) return nullptr;
    const uint8_t* bytes = data_ + position_;
    position_ += length;
    return bytes;
  }
  // What Take could not hand over runs past the end: zero-filled, with the line.
  template <typename Storage>
  void Elements(size_t count, Storage* storage) {
    storage->resize(count);
    Bytes(storage->data(), count * sizeof(typename Storage::value_type));
  }
  bool Fits(uint64_t bytes, Context context) const { return FitsIn(bytes, context.owed); }

  // One list or map: refused one level deeper than the limit if it declares
  // items there, or when they cannot fit in the bytes left.
  class Container {
   public:
    Container(const BufferValueReader&, Context around) : owed_(around.owed), depth_(around.depth + 1) {}
    bool Open(const BufferValueReader& reader, uint32_t count, uint32_t min_item_bytes) {
      if (count != 0 && depth_ > kMaxNestingDepth) return false;
      count_ = count;
      min_item_bytes_ = min_item_bytes;
      return reader.FitsIn(uint64_t{count} * min_item_bytes, owed_);
    }
    static constexpr bool counted() { return true; }
    static constexpr bool Admits(uint64_t) { return true; }
    static constexpr bool RanShort() { return false; }
    Context Item(uint32_t index, uint32_t extra_bytes) const {
      return {owed_ + uint64_t{count_ - index - 1} * min_item_bytes_ + extra_bytes, depth_};
    }

   private:
    uint64_t owed_;
    int depth_;
    uint32_t count_ = 0;
    uint32_t min_item_bytes_ = 0;
  };

 private:
  void Bytes(void* destination, size_t length) {
    if (position_ > size_ || length > size_ - position_) {
      ShortRead();
      return;
    }
    if (length != 0) std::memcpy(destination, data_ + position_, length);
    position_ += length;
  }
  KESTRO_NOINLINE void ShortRead() {
    read_past_end_ = true;
    WriteDiagnosticLine(kInvalidReadLine);
  }
  bool FitsIn(uint64_t bytes, uint64_t owed) const {
    return DecodeBudget::FitsIn(position_ < size_ ? size_ - position_ : 0, owed, bytes);
  }

  ByteBufferStreamReader* reader_;
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_;
  bool read_past_end_;
};

EncodableValue ReadValueFromBuffer(uint8_t tag, ByteBufferStreamReader* reader) {
  const DecodeBudget::Enclosing enclosing = DecodeBudget::EnclosingOf(reader);
  return ValueDecoder<BufferValueReader>(reader).OfType(tag, {enclosing.owed, enclosing.depth});
}

}  // namespace flutter::internal
