// The text notation of values: what the UI team types and reads instead of
// message bytes.
//
//   null  true  false            42  -7 (32-bit)  42L (64-bit)
//   1.5  -0.0  1e300  nan  inf  -inf  nan(0x7ff8000000000001) (doubles)
//   "text" with \" \\ \n \t \u00e9 and \xNN for raw bytes
//   u8[1, 2]  i32[..]  i64[..]  f64[..]  f32[..]  [a, b]  {key: value}
//
// Printed text is canonical (maps in key order, ", " and ": " separators,
// shortest round-trip numbers) and parses back to the same value, bit for
// bit, whatever bytes a decoded string holds.
#ifndef KESTRO_WIRE_VALUE_TEXT_H_
#define KESTRO_WIRE_VALUE_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

#include "flutter/encodable_value.h"
#include "text_error.h"

namespace kestro::wire {

// The one value written in `text` (blanks around it allowed), or nothing,
// with `error` filled, when the text is not exactly one value.
std::optional<flutter::EncodableValue> ParseValueText(std::string_view text, TextError* error);

std::string FormatValueText(const flutter::EncodableValue& value);

// A byte string as a quoted, escaped string literal.
std::string FormatStringText(std::string_view bytes);

}  // namespace kestro::wire

#endif  // KESTRO_WIRE_VALUE_TEXT_H_
