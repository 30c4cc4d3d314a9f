// Any bytes read as a method call.
#include <memory>

#include "flutter/standard_method_codec.h"
#include "fuzz_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace flutter;
  const StandardMethodCodec& codec = StandardMethodCodec::Shared();
  const std::unique_ptr<MethodCall> call = codec.DecodeCall(data, size);
  if (call == nullptr) return 0;
  fuzz::Check(call->arguments() != nullptr, "a decoded call always has arguments");
  fuzz::CheckStable(*call->arguments());

  const auto once = codec.EncodeCall(*call);
  const std::unique_ptr<MethodCall> again = codec.DecodeCall(once->data(), once->size());
  fuzz::Check(again != nullptr, "an encoded call does not decode");
  fuzz::Check(again->method_name() == call->method_name(), "method name changed");
  if (!fuzz::HasNaNKey(*call->arguments())) {
    fuzz::Check(*codec.EncodeCall(*again) == *once, "decode(encode(call)) encodes differently");
  }
  return 0;
}
