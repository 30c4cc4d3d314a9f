#include "hex.h"

namespace kestro::wire {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FormatHex(const uint8_t* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text, TextError* error) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (HexDigitValue(text[i]) < 0) {
      *error = {i, "expected a hex digit (0-9, a-f); the message is written as hex without separators"};
      return std::nullopt;
    }
  }
  if (text.size() % 2 != 0) {
    *error = {text.size(), "odd number of hex digits (" + std::to_string(text.size()) + "); every byte takes two"};
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<uint8_t>(HexDigitValue(text[2 * i]) << 4 | HexDigitValue(text[2 * i + 1]));
  }
  return bytes;
}

}  // namespace kestro::wire
