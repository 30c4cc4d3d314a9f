// Any bytes as kestro-wire's value notation, and as a message whose decoded
// value kestro-wire prints: what parses prints canonically and reads back to
// the same bits, and whatever a decode prints reads back.
#include <optional>
#include <string_view>

#include "fuzz_oracle.h"
#include "value_text.h"

namespace {

using flutter::EncodableValue;
using flutter::fuzz::Check;
using flutter::fuzz::Encode;
using kestro::wire::FormatValueText;
using kestro::wire::ParseValueText;
using kestro::wire::TextError;

void CheckReadsBack(const EncodableValue& value) {
  const std::string text = FormatValueText(value);
  TextError error;
  const std::optional<EncodableValue> again = ParseValueText(text, &error);
  Check(again.has_value(), "printed text does not parse");
  Check(Encode(*again) == Encode(value), "printed text reads back to other bits");
  Check(FormatValueText(*again) == text, "printed text is not canonical");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextError error;
  const std::optional<EncodableValue> parsed =
      ParseValueText(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (parsed) {
    CheckReadsBack(*parsed);
  } else {
    Check(error.offset <= size, "error offset past the text");
    Check(!error.message.empty(), "refused without a reason");
  }

  flutter::ByteBufferStreamReader reader(data, size);
  CheckReadsBack(flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader));
  return 0;
}
