#include "flutter/standard_method_codec.h"

#include <map>
#include <type_traits>
#include <variant>

#include "diagnostics.h"
#include "flutter/byte_buffer_streams.h"

namespace flutter {

namespace {
constexpr uint8_t kSuccessEnvelope = 0;
constexpr uint8_t kErrorEnvelope = 1;

// Stands in for an absent value, so that "value or null" needs no copy.
const EncodableValue kNull;

const EncodableValue& ValueOrNull(const EncodableValue* value) {
  return value ? *value : kNull;
}

// A guess at the encoded size from the top level alone, so that a message
// is usually written into one allocation rather than grown from one byte.
size_t EncodedSizeGuess(const EncodableValue& value) {
  constexpr size_t kHeader = 16;  // envelope byte, tag, size prefix, padding
  return kHeader + std::visit(
                       [](const auto& payload) -> size_t {
                         using T = std::decay_t<decltype(payload)>;
                         if constexpr (std::is_same_v<T, ValueList>) {
                           return payload.size() * 16;
                         } else if constexpr (std::is_same_v<T, ValueMap>) {
                           return payload.size() * 32;  // a short key and a scalar, padded
                         } else if constexpr (std::is_same_v<T, std::string>) {
                           return payload.size();
                         } else if constexpr (std::is_same_v<T, std::vector<uint8_t>> ||
                                              std::is_same_v<T, std::vector<int32_t>> ||
                                              std::is_same_v<T, std::vector<int64_t>> ||
                                              std::is_same_v<T, std::vector<double>> ||
                                              std::is_same_v<T, std::vector<float>>) {
                           return payload.size() * sizeof(typename T::value_type);
                         } else {
                           return 0;
                         }
                       },
                       static_cast<const internal::EncodableVariant&>(value));
}

std::unique_ptr<std::vector<uint8_t>> NewMessage(size_t size_guess) {
  auto message = std::make_unique<std::vector<uint8_t>>();
  message->reserve(size_guess);
  return message;
}

}  // namespace

const StandardMethodCodec& StandardMethodCodec::Shared(const StandardCodecSerializer* serializer) {
  if (serializer == nullptr) serializer = &StandardCodecSerializer::Shared();
  // Created once, thread-safely; never destroyed, so codecs outlive every channel.
  static auto* registry = new std::map<const StandardCodecSerializer*, std::unique_ptr<StandardMethodCodec>>();
  auto& codec = (*registry)[serializer];
  if (!codec) codec = std::make_unique<StandardMethodCodec>(serializer);
  return *codec;
}

std::unique_ptr<MethodCall> StandardMethodCodec::DecodeCall(const uint8_t* message, size_t message_size) const {
  ByteBufferStreamReader stream(message, message_size);
  EncodableValue name = serializer_->ReadNextValue(&stream);
  const std::string* method = name.TryGet<std::string>();
  if (method == nullptr) {
    internal::WriteDiagnosticLine("Invalid method call; method name is not a string.");
    return nullptr;
  }
  auto arguments = std::make_unique<EncodableValue>(serializer_->ReadNextValue(&stream));
  return std::make_unique<MethodCall>(std::move(*method), std::move(arguments));
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeCall(const MethodCall& call) const {
  const EncodableValue& arguments = ValueOrNull(call.arguments());
  auto message = NewMessage(call.method_name().size() + EncodedSizeGuess(arguments));
  ByteBufferStreamWriter stream(message.get());
  serializer_->WriteValue(EncodableValue(call.method_name()), &stream);
  serializer_->WriteValue(arguments, &stream);
  return message;
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeSuccessReply(const EncodableValue* result) const {
  const EncodableValue& value = ValueOrNull(result);
  auto message = NewMessage(EncodedSizeGuess(value));
  ByteBufferStreamWriter stream(message.get());
  stream.PutByte(kSuccessEnvelope);
  serializer_->WriteValue(value, &stream);
  return message;
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeErrorReply(const std::string& error_code,
                                                                            const std::string& error_message,
                                                                            const EncodableValue* error_details) const {
  const EncodableValue& details = ValueOrNull(error_details);
  auto message = NewMessage(error_code.size() + error_message.size() + EncodedSizeGuess(details));
  ByteBufferStreamWriter stream(message.get());
  stream.PutByte(kErrorEnvelope);
  serializer_->WriteValue(EncodableValue(error_code), &stream);
  serializer_->WriteValue(error_message.empty() ? EncodableValue() : EncodableValue(error_message), &stream);
  serializer_->WriteValue(details, &stream);
  return message;
}

bool StandardMethodCodec::DecodeReply(const uint8_t* reply, size_t reply_size, MethodResult* result) const {
  ByteBufferStreamReader stream(reply, reply_size);
  const uint8_t flag = stream.GetByte();
  if (flag == kSuccessEnvelope) {
    EncodableValue value = serializer_->ReadNextValue(&stream);
    result->Success(value.IsNull() ? nullptr : &value);
    return true;
  }
  if (flag != kErrorEnvelope) return false;

  EncodableValue code = serializer_->ReadNextValue(&stream);
  EncodableValue message = serializer_->ReadNextValue(&stream);
  EncodableValue details = serializer_->ReadNextValue(&stream);
  const std::string* code_text = code.TryGet<std::string>();
  const std::string* message_text = message.TryGet<std::string>();
  if (code_text == nullptr || (message_text == nullptr && !message.IsNull())) {
    internal::WriteDiagnosticLine(
        "Invalid error reply; the code is not a string or the message is neither a string nor null.");
    return false;
  }
  result->Error(*code_text, message_text ? *message_text : std::string(), details.IsNull() ? nullptr : &details);
  return true;
}

}  // namespace flutter
