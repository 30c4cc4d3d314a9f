#include <charconv>
#include <cmath>
#include <string_view>
#include <type_traits>
#include <variant>

#include "float_bits.h"
#include "kestro/platform/utf8.h"
#include "value_text.h"

namespace kestro::wire {

namespace {

using flutter::EncodableValue;

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex(uint64_t value, int digits, std::string* out) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) *out += kHexDigits[(value >> shift) & 0x0f];
}

template <typename Float>
void AppendFloat(Float value, std::string* out) {
  using Traits = FloatBits<Float>;
  if (std::isnan(value)) {
    const auto bits = BitsOf(value);
    if (bits == Traits::kQuietNan) {
      *out += "nan";
    } else if (bits == (Traits::kQuietNan | Traits::kSign)) {
      *out += "-nan";
    } else {
      *out += "nan(0x";
      AppendHex(bits, Traits::kHexDigits, out);
      *out += ')';
    }
    return;
  }
  if (std::isinf(value)) {
    *out += value < 0 ? "-inf" : "inf";
    return;
  }
  // Shortest form that reads back to the same bits.
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  const std::string_view digits(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t exponent = digits.find('e');
  if (exponent == std::string_view::npos) {
    *out += digits;
    // Without a dot the number would read back as an integer.
    if (digits.find('.') == std::string_view::npos) *out += ".0";
    return;
  }
  // "1e+300" and "1e-07" are written "1e300" and "1e-7".
  *out += digits.substr(0, exponent + 1);
  size_t position = exponent + 1;
  if (digits[position] == '-') *out += digits[position];
  if (digits[position] == '-' || digits[position] == '+') ++position;
  while (position + 1 < digits.size() && digits[position] == '0') ++position;
  *out += digits.substr(position);
}

void AppendNumber(uint8_t value, std::string* out) {
  *out += std::to_string(value);
}
void AppendNumber(int32_t value, std::string* out) {
  *out += std::to_string(value);
}
void AppendNumber(int64_t value, std::string* out) {
  *out += std::to_string(value);
}
void AppendNumber(double value, std::string* out) {
  AppendFloat(value, out);
}
void AppendNumber(float value, std::string* out) {
  AppendFloat(value, out);
}

template <typename T>
void AppendTypedList(const char* prefix, const std::vector<T>& list, std::string* out) {
  *out += prefix;
  *out += '[';
  for (size_t i = 0; i < list.size(); ++i) {
    if (i != 0) *out += ", ";
    AppendNumber(list[i], out);
  }
  *out += ']';
}

void AppendString(std::string_view bytes, std::string* out) {
  *out += '"';
  while (!bytes.empty()) {
    char32_t code_point;
    const size_t length = DecodeUtf8(bytes, &code_point);
    if (length == 0) {
      *out += "\\x";
      AppendHex(static_cast<unsigned char>(bytes[0]), 2, out);
      bytes.remove_prefix(1);
      continue;
    }
    if (code_point == '"') {
      *out += "\\\"";
    } else if (code_point == '\\') {
      *out += "\\\\";
    } else if (code_point == '\n') {
      *out += "\\n";
    } else if (code_point == '\t') {
      *out += "\\t";
    } else if (code_point < 0x20 || (code_point >= 0x7f && code_point <= 0x9f)) {
      *out += "\\u00";
      AppendHex(code_point, 2, out);
    } else {
      out->append(bytes.substr(0, length));
    }
    bytes.remove_prefix(length);
  }
  *out += '"';
}

void AppendValue(const EncodableValue& value, std::string* out) {
  switch (value.index()) {
    case EncodableValue::kNull:
      *out += "null";
      break;
    case EncodableValue::kBool:
      *out += std::get<bool>(value) ? "true" : "false";
      break;
    case EncodableValue::kInt32:
      AppendNumber(std::get<int32_t>(value), out);
      break;
    case EncodableValue::kInt64:
      AppendNumber(std::get<int64_t>(value), out);
      *out += 'L';
      break;
    case EncodableValue::kDouble:
      AppendFloat(std::get<double>(value), out);
      break;
    case EncodableValue::kString:
      AppendString(std::get<std::string>(value), out);
      break;
    case EncodableValue::kByteList:
      AppendTypedList("u8", std::get<std::vector<uint8_t>>(value), out);
      break;
    case EncodableValue::kInt32List:
      AppendTypedList("i32", std::get<std::vector<int32_t>>(value), out);
      break;
    case EncodableValue::kInt64List:
      AppendTypedList("i64", std::get<std::vector<int64_t>>(value), out);
      break;
    case EncodableValue::kDoubleList:
      AppendTypedList("f64", std::get<std::vector<double>>(value), out);
      break;
    case EncodableValue::kFloatList:
      AppendTypedList("f32", std::get<std::vector<float>>(value), out);
      break;
    case EncodableValue::kList: {
      *out += '[';
      bool first = true;
      for (const EncodableValue& element : std::get<flutter::ValueList>(value)) {
        if (!first) *out += ", ";
        first = false;
        AppendValue(element, out);
      }
      *out += ']';
      break;
    }
    case EncodableValue::kMap: {
      *out += '{';
      bool first = true;
      for (const auto& [key, entry] : std::get<flutter::ValueMap>(value)) {
        if (!first) *out += ", ";
        first = false;
        AppendValue(key, out);
        *out += ": ";
        AppendValue(entry, out);
      }
      *out += '}';
      break;
    }
    case EncodableValue::kCustom:
      // Neither text nor the wire can produce one; shown, never parsed.
      *out += "<custom>";
      break;
  }
}

}  // namespace

std::string FormatValueText(const EncodableValue& value) {
  std::string text;
  AppendValue(value, &text);
  return text;
}

std::string FormatStringText(std::string_view bytes) {
  std::string text;
  AppendString(bytes, &text);
  return text;
}

}  // namespace kestro::wire
