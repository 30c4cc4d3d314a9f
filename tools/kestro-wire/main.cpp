// kestro-wire: turns values into the bytes of channel messages and back, so
// that the UI team can read and write what travels on the channels.
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"
#include "flutter/standard_codec_serializer.h"
#include "flutter/standard_method_codec.h"
#include "hex.h"
#include "value_text.h"

namespace kestro::wire {

namespace {

using flutter::EncodableValue;
using Arguments = std::vector<std::string>;

constexpr int kExitDone = 0;
constexpr int kExitNotThatKind = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInternalFailure = 3;

constexpr char kUsage[] = R"(usage: kestro-wire COMMAND ARGUMENTS
Turns values into the bytes of channel messages (lowercase hex) and back.

  encode VALUE                       the message holding VALUE
  decode HEX                         the value in a message
  encode-call METHOD [VALUE]         a method call; its arguments are null without VALUE
  decode-call HEX                    METHOD VALUE, or exit 1 when HEX is not a call
  encode-success [VALUE]             a success reply (also an event)
  encode-error CODE MESSAGE [VALUE]  an error reply (also an error event); VALUE: details
  decode-reply HEX                   success VALUE, or error "CODE" "MESSAGE" VALUE,
                                     "not implemented" for '' (no bytes),
                                     or exit 1 when HEX is not a reply

VALUE is one argument (quote it for the shell):
  null  true  false  42 (32-bit)  42L (64-bit)  1.5  -0.0  1e300  nan  inf  -inf
  "text" with the escapes \" \\ \n \t \u00e9 and \xNN (a raw byte)
  u8[1, 2, 255]  i32[..]  i64[..]  f64[..]  f32[..]  [a, b]  {key: value}

Exit status: 0 done, 1 not a call or not a reply, 2 bad input or usage.
Decoding diagnostics go to standard error.
)";

// Remembers how many bytes were left after the last value it read, so that
// bytes the codec skips over are reported rather than silently dropped.
class MeasuringSerializer : public flutter::StandardCodecSerializer {
 public:
  EncodableValue ReadValueOfType(uint8_t type, flutter::ByteStreamReader* stream) const override {
    EncodableValue value = StandardCodecSerializer::ReadValueOfType(type, stream);
    remaining_ = stream->RemainingBytes();
    return value;
  }

  size_t remaining() const { return remaining_; }

 private:
  mutable size_t remaining_ = 0;
};

// A decoded reply as one line of text.
class ReplyText : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* result) override { text_ = "success " + FormatOrNull(result); }
  void Error(const std::string& code, const std::string& message, const EncodableValue* details) override {
    text_ = "error " + FormatStringText(code) + " " + FormatStringText(message) + " " + FormatOrNull(details);
  }
  // The codec never answers this way; here for completeness of the interface.
  void NotImplemented() override { text_ = "not implemented"; }

  const std::string& text() const { return text_; }

 private:
  static std::string FormatOrNull(const EncodableValue* value) { return value ? FormatValueText(*value) : "null"; }

  std::string text_;
};

std::optional<EncodableValue> ReadValueArgument(const std::string& text) {
  TextError error;
  std::optional<EncodableValue> value = ParseValueText(text, &error);
  if (!value) std::cerr << DescribeTextError("value", text, error);
  return value;
}

// The value at `index`, null when the argument was left out; false when it
// does not parse.
bool ReadOptionalValue(const Arguments& arguments, size_t index, std::optional<EncodableValue>* value) {
  if (index >= arguments.size()) return true;
  *value = ReadValueArgument(arguments[index]);
  return value->has_value();
}

std::optional<std::vector<uint8_t>> ReadHexArgument(const std::string& text) {
  TextError error;
  std::optional<std::vector<uint8_t>> bytes = ParseHex(text, &error);
  if (!bytes) std::cerr << DescribeTextError("hex message", text, error);
  return bytes;
}

void ReportUndecodedBytes(const std::vector<uint8_t>& message, size_t remaining) {
  if (remaining == 0 || remaining > message.size()) return;
  constexpr size_t kShown = 32;
  const size_t offset = message.size() - remaining;
  std::cerr << "kestro-wire: warning: " << remaining << (remaining == 1 ? " byte" : " bytes") << " from offset "
            << offset << " not decoded: " << FormatHex(message.data() + offset, remaining < kShown ? remaining : kShown)
            << (remaining > kShown ? "..." : "") << "\n";
}

// A method name as typed when it reads back unambiguously, quoted otherwise.
std::string FormatMethodName(const std::string& name) {
  const std::string quoted = FormatStringText(name);
  const bool plain = !name.empty() && name.find(' ') == std::string::npos && quoted.size() == name.size() + 2;
  return plain ? name : quoted;
}

int PrintMessage(const std::vector<uint8_t>& message) {
  std::cout << FormatHex(message) << "\n";
  return kExitDone;
}

int Encode(const Arguments& arguments) {
  const std::optional<EncodableValue> value = ReadValueArgument(arguments[0]);
  if (!value) return kExitBadInput;
  std::vector<uint8_t> message;
  flutter::ByteBufferStreamWriter writer(&message);
  flutter::StandardCodecSerializer::Shared().WriteValue(*value, &writer);
  return PrintMessage(message);
}

int EncodeCall(const Arguments& arguments) {
  std::optional<EncodableValue> value;
  if (!ReadOptionalValue(arguments, 1, &value)) return kExitBadInput;
  const flutter::MethodCall call(arguments[0], value ? std::make_unique<EncodableValue>(*value) : nullptr);
  return PrintMessage(*flutter::StandardMethodCodec::Shared().EncodeCall(call));
}

int EncodeSuccess(const Arguments& arguments) {
  std::optional<EncodableValue> value;
  if (!ReadOptionalValue(arguments, 0, &value)) return kExitBadInput;
  return PrintMessage(*flutter::StandardMethodCodec::Shared().EncodeSuccessReply(value ? &*value : nullptr));
}

int EncodeError(const Arguments& arguments) {
  std::optional<EncodableValue> details;
  if (!ReadOptionalValue(arguments, 2, &details)) return kExitBadInput;
  return PrintMessage(*flutter::StandardMethodCodec::Shared().EncodeErrorReply(arguments[0], arguments[1],
                                                                               details ? &*details : nullptr));
}

int Decode(const Arguments& arguments) {
  const std::optional<std::vector<uint8_t>> message = ReadHexArgument(arguments[0]);
  if (!message) return kExitBadInput;
  const MeasuringSerializer serializer;
  flutter::ByteBufferStreamReader reader(message->data(), message->size());
  const EncodableValue value = serializer.ReadNextValue(&reader);
  ReportUndecodedBytes(*message, serializer.remaining());
  std::cout << FormatValueText(value) << "\n";
  return kExitDone;
}

int DecodeCall(const Arguments& arguments) {
  const std::optional<std::vector<uint8_t>> message = ReadHexArgument(arguments[0]);
  if (!message) return kExitBadInput;
  const MeasuringSerializer serializer;
  const flutter::StandardMethodCodec codec(&serializer);
  const std::unique_ptr<flutter::MethodCall> call = codec.DecodeCall(message->data(), message->size());
  if (!call) {
    std::cerr << "not a call\n";
    return kExitNotThatKind;
  }
  ReportUndecodedBytes(*message, serializer.remaining());
  std::cout << FormatMethodName(call->method_name()) << " "
            << (call->arguments() ? FormatValueText(*call->arguments()) : "null") << "\n";
  return kExitDone;
}

int DecodeReply(const Arguments& arguments) {
  const std::optional<std::vector<uint8_t>> message = ReadHexArgument(arguments[0]);
  if (!message) return kExitBadInput;
  // No bytes at all is how a channel answers a method it does not know.
  if (message->empty()) {
    std::cout << "not implemented\n";
    return kExitDone;
  }
  const MeasuringSerializer serializer;
  const flutter::StandardMethodCodec codec(&serializer);
  ReplyText reply;
  if (!codec.DecodeReply(message->data(), message->size(), &reply)) {
    std::cerr << "not a reply\n";
    return kExitNotThatKind;
  }
  ReportUndecodedBytes(*message, serializer.remaining());
  std::cout << reply.text() << "\n";
  return kExitDone;
}

struct Command {
  std::string_view name;
  size_t min_arguments;
  size_t max_arguments;
  int (*run)(const Arguments&);
};

constexpr Command kCommands[] = {
    {"encode", 1, 1, Encode},
    {"decode", 1, 1, Decode},
    {"encode-call", 1, 2, EncodeCall},
    {"decode-call", 1, 1, DecodeCall},
    {"encode-success", 0, 1, EncodeSuccess},
    {"encode-error", 2, 3, EncodeError},
    {"decode-reply", 1, 1, DecodeReply},
};

int UsageError(const std::string& problem) {
  std::cerr << "kestro-wire: " << problem << "\n\n" << kUsage;
  return kExitBadInput;
}

int Run(const Arguments& command_line) {
  if (command_line.empty()) return UsageError("no command given");
  const std::string& name = command_line[0];
  if (name == "--help" || name == "-h" || name == "help") {
    std::cout << kUsage;
    return kExitDone;
  }
  const Arguments arguments(command_line.begin() + 1, command_line.end());
  for (const Command& command : kCommands) {
    if (command.name != name) continue;
    if (arguments.size() < command.min_arguments) return UsageError(name + ": missing arguments");
    if (arguments.size() > command.max_arguments) {
      return UsageError(name + ": too many arguments (a VALUE with blanks must be quoted as one argument)");
    }
    return command.run(arguments);
  }
  return UsageError("unknown command '" + name + "'");
}

}  // namespace

}  // namespace kestro::wire

int main(int argc, char** argv) {
  try {
    return kestro::wire::Run(kestro::wire::Arguments(argv + 1, argv + argc));
  } catch (const std::exception& failure) {
    std::cerr << "kestro-wire: " << failure.what() << "\n";
  } catch (...) {
    std::cerr << "kestro-wire: unexpected failure\n";
  }
  return kestro::wire::kExitInternalFailure;
}
