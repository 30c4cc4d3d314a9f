// The standard serializer's reading when the stream is exactly a
// ByteBufferStreamReader: the same values, diagnostic lines and final
// position as through the stream's virtual operations, read straight from
// its memory.
#ifndef KESTRO_CLIENT_BUFFER_VALUE_READER_H_
#define KESTRO_CLIENT_BUFFER_VALUE_READER_H_

#include <cstdint>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"

namespace flutter::internal {

// Reads the body of a value whose tag was already taken from `reader`.
EncodableValue ReadValueFromBuffer(uint8_t tag, ByteBufferStreamReader* reader);

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_BUFFER_VALUE_READER_H_
