// Messages as the command line carries them: lowercase hex, two digits a byte.
#ifndef KESTRO_WIRE_HEX_H_
#define KESTRO_WIRE_HEX_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text_error.h"

namespace kestro::wire {

// 0 to 15 for a hex digit of either case, -1 for any other character.
int HexDigitValue(char c);

std::string FormatHex(const uint8_t* bytes, size_t size);
inline std::string FormatHex(const std::vector<uint8_t>& bytes) {
  return FormatHex(bytes.data(), bytes.size());
}

// Reads hex digits of either case, without separators; nothing, with
// `error` filled, on a non-hex character or an odd number of digits.
std::optional<std::vector<uint8_t>> ParseHex(std::string_view text, TextError* error);

}  // namespace kestro::wire

#endif  // KESTRO_WIRE_HEX_H_
