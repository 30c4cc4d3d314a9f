// Any bytes read as a reply envelope.
#include <memory>
#include <optional>
#include <string>

#include "flutter/standard_method_codec.h"
#include "fuzz_oracle.h"

namespace {

using flutter::EncodableValue;

// Keeps the one answer and re-encodes it.
class Answer : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* result) override {
    Record();
    if (result) value = *result;
  }
  void Error(const std::string& error_code, const std::string& error_message,
             const EncodableValue* error_details) override {
    Record();
    is_error = true;
    code = error_code;
    message = error_message;
    if (error_details) value = *error_details;
  }
  void NotImplemented() override { flutter::fuzz::Fail("a reply never decodes as not implemented"); }

  std::unique_ptr<std::vector<uint8_t>> Encode(const flutter::StandardMethodCodec& codec) const {
    const EncodableValue* payload = value ? &*value : nullptr;
    return is_error ? codec.EncodeErrorReply(code, message, payload) : codec.EncodeSuccessReply(payload);
  }

  int answers = 0;
  bool is_error = false;
  std::string code, message;
  std::optional<EncodableValue> value;

 private:
  void Record() { flutter::fuzz::Check(++answers == 1, "a reply answered twice"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace flutter;
  const StandardMethodCodec& codec = StandardMethodCodec::Shared();
  Answer answer;
  const bool understood = codec.DecodeReply(data, size, &answer);
  fuzz::Check(answer.answers == (understood ? 1 : 0), "answered unless not understood");
  if (!understood) return 0;
  if (answer.value) fuzz::CheckStable(*answer.value);

  const auto once = answer.Encode(codec);
  Answer again;
  fuzz::Check(codec.DecodeReply(once->data(), once->size(), &again), "an encoded reply is not understood");
  fuzz::Check(again.is_error == answer.is_error && again.code == answer.code && again.message == answer.message,
              "reply kind, code or message changed");
  if (!answer.value || !fuzz::HasNaNKey(*answer.value)) {
    fuzz::Check(*again.Encode(codec) == *once, "decode(encode(reply)) encodes differently");
  }
  return 0;
}
