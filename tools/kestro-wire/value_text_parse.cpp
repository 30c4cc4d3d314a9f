#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>
#include <utility>

#include "float_bits.h"
#include "flutter/standard_codec_serializer.h"
#include "hex.h"
#include "kestro/platform/utf8.h"
#include "value_text.h"

namespace kestro::wire {

namespace {

using flutter::EncodableValue;

// How many lists and maps a value may sit inside, as in a message: a decode
// may still print an empty list or map one level further. The limit also
// keeps a hostile argument from exhausting the stack.
constexpr int kMaxDepth = flutter::StandardCodecSerializer::kMaxNestingDepth;

constexpr uint64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr uint64_t kInt64Max = std::numeric_limits<int64_t>::max();

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsWordCharacter(char c) {
  return IsLetter(c) || IsDigit(c) || c == '_';
}

// A number as written; its type is settled by where it stands (a plain
// value or an element of a typed list).
struct NumberToken {
  enum Kind { kInteger, kDecimal, kInfinity, kNan };
  size_t start = 0;
  size_t end = 0;
  Kind kind = kInteger;
  bool negative = false;
  bool long_suffix = false;
  bool nan_bits_given = false;
  uint64_t nan_bits = 0;

  size_t digits_end() const { return long_suffix ? end - 1 : end; }
};

struct IntegerRange {
  uint64_t max_positive;
  uint64_t max_negative_magnitude;
  const char* out_of_range;
};
constexpr IntegerRange kInt32Range{kInt32Max, kInt32Max + 1, "integer out of 32-bit range"};
constexpr IntegerRange kInt64Range{kInt64Max, kInt64Max + 1, "integer out of 64-bit range"};
constexpr IntegerRange kByteRange{255, 0, "byte out of range (0 to 255)"};

bool IsNan(const EncodableValue& value) {
  const double* number = value.TryGet<double>();
  return number != nullptr && std::isnan(*number);
}

// A NaN is neither before nor after any double, so it is equivalent to every
// double key: say so, as "duplicate" alone would puzzle.
std::string DuplicateKeyMessage(bool key_is_nan, const EncodableValue& earlier) {
  constexpr char kOnce[] = "; a map holds each key once";
  if (key_is_nan) return std::string("the key is a NaN, equivalent to every double key") + kOnce;
  if (IsNan(earlier)) return std::string("an earlier key is a NaN, equivalent to every double key") + kOnce;
  return std::string("duplicate key") + kOnce;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<EncodableValue> ParseDocument(TextError* error) {
    EncodableValue value;
    if (ParseValue(&value, 0)) {
      SkipBlanks();
      if (pos_ == text_.size()) return value;
      Fail(pos_, "expected the end of the value");
    }
    *error = error_;
    return std::nullopt;
  }

 private:
  bool Fail(size_t offset, std::string message) {
    error_ = {offset, std::move(message)};
    return false;
  }

  bool At(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

  void SkipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  std::string_view WordAt(size_t start) const {
    size_t end = start;
    while (end < text_.size() && IsWordCharacter(text_[end])) ++end;
    return text_.substr(start, end - start);
  }

  // `depth`: how many lists and maps the value sits inside.
  bool ParseValue(EncodableValue* out, int depth) {
    SkipBlanks();
    if (pos_ == text_.size()) return Fail(pos_, "expected a value");
    if (depth > kMaxDepth) {
      return Fail(pos_, "a value inside more than " + std::to_string(kMaxDepth) + " lists and maps");
    }
    const char c = text_[pos_];
    if (c == '"') {
      std::string text;
      if (!ParseString(&text)) return false;
      *out = EncodableValue(std::move(text));
      return true;
    }
    if (c == '[') return ParseList(out, depth + 1);
    if (c == '{') return ParseMap(out, depth + 1);
    if (c == '-' || IsDigit(c)) return ParseNumber(out);
    if (IsLetter(c)) return ParseWord(out);
    return Fail(pos_, "expected a value");
  }

  bool ParseWord(EncodableValue* out) {
    const std::string_view word = WordAt(pos_);
    if (word == "nan" || word == "inf") return ParseNumber(out);
    if (word == "u8") return ParseTypedList<uint8_t>(word, out);
    if (word == "i32") return ParseTypedList<int32_t>(word, out);
    if (word == "i64") return ParseTypedList<int64_t>(word, out);
    if (word == "f64") return ParseTypedList<double>(word, out);
    if (word == "f32") return ParseTypedList<float>(word, out);
    if (word == "null") {
      *out = EncodableValue();
    } else if (word == "true" || word == "false") {
      *out = EncodableValue(word == "true");
    } else {
      return Fail(pos_, "unknown word '" + std::string(word) + "'; expected a value");
    }
    pos_ += word.size();
    return true;
  }

  bool ParseString(std::string* out) {
    ++pos_;
    while (true) {
      if (pos_ == text_.size()) return Fail(pos_, "expected '\"' to end the string");
      const char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c == '\\') {
        if (!ParseEscape(out)) return false;
      } else {
        *out += c;
        ++pos_;
      }
    }
  }

  bool ParseEscape(std::string* out) {
    const size_t start = pos_;
    if (++pos_ == text_.size()) return Fail(pos_, "expected an escape after '\\'");
    const char kind = text_[pos_++];
    switch (kind) {
      case '"':
      case '\\':
        *out += kind;
        return true;
      case 'n':
        *out += '\n';
        return true;
      case 't':
        *out += '\t';
        return true;
      case 'x': {
        uint32_t byte;
        if (!ParseHexDigits(2, &byte)) return false;
        *out += static_cast<char>(byte);
        return true;
      }
      case 'u':
        return ParseUnicodeEscape(start, out);
      default:
        return Fail(start, "unknown escape; use \\\" \\\\ \\n \\t \\uXXXX or \\xNN");
    }
  }

  // \uXXXX, or a surrogate pair of two such escapes for a character past
  // U+FFFF; the \u is taken already.
  bool ParseUnicodeEscape(size_t start, std::string* out) {
    uint32_t unit;
    if (!ParseHexDigits(4, &unit)) return false;
    if (unit >= 0xdc00 && unit <= 0xdfff) {
      return Fail(start, "a low surrogate must follow a high one (\\ud800 to \\udbff)");
    }
    if (unit >= 0xd800 && unit <= 0xdbff) {
      const size_t low_start = pos_;
      if (text_.substr(pos_, 2) != "\\u") {
        return Fail(pos_, "expected \\u and a low surrogate (\\udc00 to \\udfff)");
      }
      pos_ += 2;
      uint32_t low;
      if (!ParseHexDigits(4, &low)) return false;
      if (low < 0xdc00 || low > 0xdfff) return Fail(low_start, "expected a low surrogate (\\udc00 to \\udfff)");
      unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
    }
    AppendUtf8(unit, out);
    return true;
  }

  bool ParseHexDigits(int count, uint32_t* value) {
    *value = 0;
    for (int i = 0; i < count; ++i) {
      const int digit = pos_ < text_.size() ? HexDigitValue(text_[pos_]) : -1;
      if (digit < 0) return Fail(pos_, "expected " + std::to_string(count) + " hex digits");
      *value = *value << 4 | static_cast<uint32_t>(digit);
      ++pos_;
    }
    return true;
  }

  // Reads a bracketed, comma-separated sequence whose opening bracket is at
  // the current position; `read_item` reads one item.
  template <typename ReadItem>
  bool ParseSequence(char close, ReadItem read_item) {
    ++pos_;
    SkipBlanks();
    if (At(close)) {
      ++pos_;
      return true;
    }
    while (true) {
      if (!read_item()) return false;
      SkipBlanks();
      if (At(close)) {
        ++pos_;
        return true;
      }
      if (!At(',')) return Fail(pos_, std::string("expected ',' or '") + close + "'");
      ++pos_;
    }
  }

  bool ParseList(EncodableValue* out, int depth) {
    flutter::ValueList list;
    if (!ParseSequence(']', [&] {
          list.emplace_back();
          return ParseValue(&list.back(), depth);
        })) {
      return false;
    }
    *out = EncodableValue(std::move(list));
    return true;
  }

  bool ParseMap(EncodableValue* out, int depth) {
    flutter::ValueMap map;
    if (!ParseSequence('}', [&] {
          SkipBlanks();
          const size_t key_start = pos_;
          EncodableValue key;
          EncodableValue value;
          if (!ParseValue(&key, depth)) return false;
          SkipBlanks();
          if (!At(':')) return Fail(pos_, "expected ':'");
          ++pos_;
          if (!ParseValue(&value, depth)) return false;
          // Keeping either entry would silently drop the other.
          const bool key_is_nan = IsNan(key);
          const auto [earlier, inserted] = map.emplace(std::move(key), std::move(value));
          if (!inserted) return Fail(key_start, DuplicateKeyMessage(key_is_nan, earlier->first));
          return true;
        })) {
      return false;
    }
    *out = EncodableValue(std::move(map));
    return true;
  }

  template <typename T>
  bool ParseTypedList(std::string_view name, EncodableValue* out) {
    pos_ += name.size();
    if (!At('[')) return Fail(pos_, "expected '[' right after " + std::string(name));
    std::vector<T> list;
    if (!ParseSequence(']', [&] {
          SkipBlanks();
          NumberToken token;
          T element;
          if (!ScanNumber(&token) || !ToElement(token, &element)) return false;
          list.push_back(element);
          return true;
        })) {
      return false;
    }
    *out = EncodableValue(std::move(list));
    return true;
  }

  bool ParseNumber(EncodableValue* out) {
    NumberToken token;
    if (!ScanNumber(&token)) return false;
    if (token.kind == NumberToken::kInteger) {
      int64_t value;
      if (!ToInteger(token, token.long_suffix ? kInt64Range : kInt32Range, &value)) {
        // Widening silently would change the value's type on the wire.
        if (!token.long_suffix) {
          error_.message +=
              "; write " + std::string(text_.substr(token.start, token.end - token.start)) + "L for a 64-bit integer";
        }
        return false;
      }
      *out = token.long_suffix ? EncodableValue(value) : EncodableValue(static_cast<int32_t>(value));
      return true;
    }
    double value;
    if (!ToFloat(token, &value)) return false;
    *out = EncodableValue(value);
    return true;
  }

  bool ScanDigits(const char* expected) {
    if (!(pos_ < text_.size() && IsDigit(text_[pos_]))) return Fail(pos_, expected);
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    return true;
  }

  bool ScanNumber(NumberToken* token) {
    token->start = pos_;
    if (At('-')) {
      token->negative = true;
      ++pos_;
    }
    if (pos_ < text_.size() && IsLetter(text_[pos_])) {
      if (!ScanNumberWord(token)) return false;
    } else {
      if (!ScanDigits("expected a digit")) return false;
      if (At('.')) {
        token->kind = NumberToken::kDecimal;
        ++pos_;
        if (!ScanDigits("expected a digit after '.'")) return false;
      }
      if (At('e') || At('E')) {
        token->kind = NumberToken::kDecimal;
        ++pos_;
        if (At('+') || At('-')) ++pos_;
        if (!ScanDigits("expected the digits of the exponent")) return false;
      }
      if (At('L')) {
        if (token->kind != NumberToken::kInteger) {
          return Fail(pos_, "L marks a 64-bit integer; a number with a dot or an exponent is a double");
        }
        token->long_suffix = true;
        ++pos_;
      }
    }
    token->end = pos_;
    return true;
  }

  // inf, nan, or nan(0xBITS), the sign already taken.
  bool ScanNumberWord(NumberToken* token) {
    const std::string_view word = WordAt(pos_);
    if (word == "inf") {
      token->kind = NumberToken::kInfinity;
    } else if (word == "nan") {
      token->kind = NumberToken::kNan;
    } else {
      return Fail(pos_, "expected a number");
    }
    pos_ += word.size();
    if (token->kind == NumberToken::kNan && At('(')) {
      ++pos_;
      if (text_.substr(pos_, 2) != "0x") return Fail(pos_, "expected 0x and the NaN's bits in hex");
      pos_ += 2;
      const size_t digits_start = pos_;
      uint64_t bits = 0;
      while (pos_ < text_.size() && HexDigitValue(text_[pos_]) >= 0) {
        if (pos_ - digits_start == 16) return Fail(pos_, "more than 16 hex digits");
        bits = bits << 4 | static_cast<uint64_t>(HexDigitValue(text_[pos_]));
        ++pos_;
      }
      if (pos_ == digits_start) return Fail(pos_, "expected a hex digit");
      if (!At(')')) return Fail(pos_, "expected ')'");
      ++pos_;
      token->nan_bits_given = true;
      token->nan_bits = bits;
    }
    return true;
  }

  bool ToInteger(const NumberToken& token, const IntegerRange& range, int64_t* out) {
    if (token.kind != NumberToken::kInteger) return Fail(token.start, "expected an integer");
    uint64_t magnitude = 0;
    bool overflow = false;
    for (size_t i = token.start + (token.negative ? 1 : 0); i < token.digits_end(); ++i) {
      const auto digit = static_cast<uint64_t>(text_[i] - '0');
      if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) overflow = true;
      magnitude = magnitude * 10 + digit;
    }
    const uint64_t limit = token.negative ? range.max_negative_magnitude : range.max_positive;
    if (overflow || magnitude > limit) return Fail(token.start, range.out_of_range);
    *out =
        !token.negative || magnitude == 0 ? static_cast<int64_t>(magnitude) : -static_cast<int64_t>(magnitude - 1) - 1;
    return true;
  }

  template <typename Float>
  bool ToFloat(const NumberToken& token, Float* out) {
    using Traits = FloatBits<Float>;
    constexpr bool kIsDouble = std::is_same_v<Float, double>;
    if (token.long_suffix) return Fail(token.end - 1, "L marks a 64-bit integer, not a floating-point number");
    switch (token.kind) {
      case NumberToken::kInfinity:
        *out = token.negative ? -std::numeric_limits<Float>::infinity() : std::numeric_limits<Float>::infinity();
        return true;
      case NumberToken::kNan: {
        uint64_t bits = Traits::kQuietNan;
        if (token.nan_bits_given) {
          bits = token.nan_bits;
          if (bits > std::numeric_limits<typename Traits::Bits>::max() ||
              !IsNanBits<Float>(static_cast<typename Traits::Bits>(bits))) {
            return Fail(token.start, kIsDouble ? "not the bits of a double NaN" : "not the bits of a float NaN");
          }
        }
        if (token.negative) bits ^= Traits::kSign;
        *out = FromBits<Float>(static_cast<typename Traits::Bits>(bits));
        return true;
      }
      case NumberToken::kInteger:
      case NumberToken::kDecimal:
        break;
    }
    // The grammar is checked already; strtod and strtof round correctly to
    // nearest, straight from the decimal text.
    const std::string digits(text_.substr(token.start, token.end - token.start));
    errno = 0;
    Float value;
    if constexpr (kIsDouble) {
      value = std::strtod(digits.c_str(), nullptr);
    } else {
      value = std::strtof(digits.c_str(), nullptr);
    }
    // Underflow rounds to zero or a subnormal, as nearest rounding should;
    // overflow would turn a finite number into an infinity.
    if (errno == ERANGE && std::isinf(value)) {
      return Fail(token.start,
                  kIsDouble ? "number out of the range of a double" : "number out of the range of a float");
    }
    *out = value;
    return true;
  }

  bool ToElement(const NumberToken& token, double* out) { return ToFloat(token, out); }
  bool ToElement(const NumberToken& token, float* out) { return ToFloat(token, out); }

  template <typename Int>
  bool ToElement(const NumberToken& token, Int* out) {
    if (token.long_suffix) return Fail(token.end - 1, "typed lists take plain integers; drop the L");
    const IntegerRange& range = std::is_same_v<Int, uint8_t>   ? kByteRange
                                : std::is_same_v<Int, int32_t> ? kInt32Range
                                                               : kInt64Range;
    int64_t value;
    if (!ToInteger(token, range, &value)) return false;
    *out = static_cast<Int>(value);
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
  TextError error_;
};

}  // namespace

std::optional<EncodableValue> ParseValueText(std::string_view text, TextError* error) {
  return Parser(text).ParseDocument(error);
}

}  // namespace kestro::wire
