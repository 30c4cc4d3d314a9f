// The standard serializer's writing when the stream is exactly a
// ByteBufferStreamWriter: the same bytes as through the stream's virtual
// operations, appended straight into its array.
#ifndef KESTRO_CLIENT_BUFFER_VALUE_WRITER_H_
#define KESTRO_CLIENT_BUFFER_VALUE_WRITER_H_

#include <cstdint>
#include <vector>

#include "flutter/encodable_value.h"

namespace flutter::internal {

// Appends the encoding of `value` to `buffer`; padding counts from the
// buffer's first byte.
void WriteValueToBuffer(const EncodableValue& value, std::vector<uint8_t>* buffer);

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_BUFFER_VALUE_WRITER_H_
