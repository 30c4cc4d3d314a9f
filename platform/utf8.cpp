#include "kestro/platform/utf8.h"

namespace kestro {

namespace {
bool IsContinuation(unsigned char byte) {
  return (byte & 0xc0) == 0x80;
}
}  // namespace

size_t DecodeUtf8(std::string_view bytes, char32_t* code_point) {
  if (bytes.empty()) return 0;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  }
  size_t length;
  char32_t value;
  char32_t minimum;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2, value = lead & 0x1f, minimum = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3, value = lead & 0x0f, minimum = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (!IsContinuation(byte)) return 0;
    value = (value << 6) | (byte & 0x3f);
  }
  if (value < minimum || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff)) return 0;
  *code_point = value;
  return length;
}

void AppendUtf8(char32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    *out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    *out += static_cast<char>(0xc0 | (code_point >> 6));
    *out += static_cast<char>(0x80 | (code_point & 0x3f));
  } else if (code_point < 0x10000) {
    *out += static_cast<char>(0xe0 | (code_point >> 12));
    *out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3f));
    *out += static_cast<char>(0x80 | (code_point & 0x3f));
  } else {
    *out += static_cast<char>(0xf0 | (code_point >> 18));
    *out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3f));
    *out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3f));
    *out += static_cast<char>(0x80 | (code_point & 0x3f));
  }
}

size_t CountCharacters(std::string_view bytes) {
  size_t count = 0;
  while (!bytes.empty()) {
    char32_t ignored;
    const size_t length = DecodeUtf8(bytes, &ignored);
    bytes.remove_prefix(length == 0 ? 1 : length);
    ++count;
  }
  return count;
}

}  // namespace kestro
