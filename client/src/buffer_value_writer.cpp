#include "buffer_value_writer.h"

#include <algorithm>
#include <cstring>

#include "value_encoder.h"
#include "kestro/platform/inlining.h"

namespace flutter::internal {

namespace {

// Writes through a cursor that is passed along and returned, so that it stays
// in a register. The array's size marks the end of the room ahead of the
// cursor, which is zero-filled (padding is a step over it); the array is cut
// back to the cursor when the value is done.
class BufferOutput {
 public:
  using Cursor = uint8_t*;
  static constexpr bool kDirect = true;

  explicit BufferOutput(std::vector<uint8_t>* buffer)
      : buffer_(buffer), base_(buffer->data()), room_end_(base_ + buffer->size()) {}

  Cursor Start() const { return room_end_; }
  void Finish(Cursor out) { buffer_->resize(static_cast<size_t>(out - base_)); }

  // Enough for any value but the bodies of strings and lists: a tag, a
  // 5-byte size prefix and 7 bytes of padding, or a tag, padding and 8 bytes.
  uint8_t* Head(uint8_t* out) { return Room(out, kHeadRoom); }

  static uint8_t* Tag(uint8_t* out, uint8_t byte) {
    *out = byte;
    return out + 1;
  }

  template <typename T>
  static uint8_t* Number(uint8_t* out, const T& number) {
    std::memcpy(out, &number, sizeof(T));
    return out + sizeof(T);
  }

  // The room ahead is zero already.
  uint8_t* Pad(uint8_t* out, size_t alignment) {
    const size_t remainder = static_cast<size_t>(out - base_) % alignment;
    return remainder == 0 ? out : out + (alignment - remainder);
  }

  uint8_t* Body(uint8_t* out, const void* source, size_t length) {
    if (static_cast<size_t>(room_end_ - out) < length && length > kRoomStep) return Append(out, source, length);
    out = Room(out, length);
    CopyBytes(out, static_cast<const uint8_t*>(source), length);
    return out + length;
  }

 private:
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

  std::vector<uint8_t>* buffer_;
  uint8_t* base_;
  uint8_t* room_end_;
};

}  // namespace

void WriteValueToBuffer(const EncodableValue& value, std::vector<uint8_t>* buffer) {
  ValueEncoder<BufferOutput> writer(buffer);
  writer.Finish(writer.Value(value, writer.Start()));
}

}  // namespace flutter::internal
