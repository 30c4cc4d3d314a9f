// Byte-stream interfaces that the standard codec reads from and writes to.
#ifndef FLUTTER_BYTE_STREAMS_H_
#define FLUTTER_BYTE_STREAMS_H_

#include <cstddef>
#include <cstdint>

namespace flutter {

class ByteStreamReader {
 public:
  virtual ~ByteStreamReader() = default;
  // The next byte; past the end: 0, with a diagnostic line.
  virtual uint8_t GetByte() = 0;
  // Copies the next `length` bytes; past the end: copies nothing, with a
  // diagnostic line, so the destination keeps what it held.
  virtual void GetBytes(uint8_t* destination, size_t length) = 0;
  // Advances the position to the next multiple of `alignment`, counted from
  // the start of the message.
  virtual void SkipPadding(uint8_t alignment) = 0;

  // How many bytes are left to read, so that the serializer can refuse a
  // declared size the message cannot hold before it allocates for it. A
  // reader that cannot tell keeps this default ("unknown"); the serializer
  // then sizes nothing from the message's size prefixes and grows what it
  // reads as the bytes arrive.
  virtual size_t RemainingBytes() const { return SIZE_MAX; }

  // Whether a GetByte or GetBytes has come up short (the message ended
  // before it). For a reader that cannot count its bytes, the serializer
  // stops reading a value at the first short read, so that a size prefix
  // claiming more than arrives costs no more than what arrived. The default
  // cannot tell.
  virtual bool ReadPastEnd() const { return false; }

  // The next `length` bytes where they lie, consumed, for a reader that holds
  // the message in memory, so that a string or list is built straight from
  // them. Null, consuming nothing, when the reader cannot do that or fewer
  // bytes remain; the serializer then copies with GetBytes, which reports
  // the short read.
  virtual const uint8_t* TakeBytes(size_t length) {
    (void)length;
    return nullptr;
  }
};

class ByteStreamWriter {
 public:
  virtual ~ByteStreamWriter() = default;
  virtual void PutByte(uint8_t byte) = 0;
  virtual void PutBytes(const uint8_t* source, size_t length) = 0;
  // Appends zero bytes until the output length is a multiple of `alignment`.
  virtual void PutPadding(uint8_t alignment) = 0;
};

}  // namespace flutter

#endif  // FLUTTER_BYTE_STREAMS_H_
