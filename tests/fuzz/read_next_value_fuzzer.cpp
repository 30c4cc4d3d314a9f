// Any bytes read as one value.
#include "fuzz_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace flutter;
  ByteBufferStreamReader reader(data, size);
  const EncodableValue value = StandardCodecSerializer::Shared().ReadNextValue(&reader);
  fuzz::CheckStable(value);
  return 0;
}
