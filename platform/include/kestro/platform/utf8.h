// UTF-8 by code point, portable: telling well-formed text from raw bytes,
// writing code points, counting characters.
#ifndef KESTRO_PLATFORM_UTF8_H_
#define KESTRO_PLATFORM_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestro {

// The length of the well-formed UTF-8 sequence that starts `bytes`, with its
// code point in `code_point`; 0 when it does not start with one (overlong
// forms, surrogates and values past U+10FFFF are not well-formed).
size_t DecodeUtf8(std::string_view bytes, char32_t* code_point);

// Appends the UTF-8 form of a Unicode scalar value.
void AppendUtf8(char32_t code_point, std::string* out);

// Characters in `bytes`, counting each byte that is not well-formed UTF-8 as one.
size_t CountCharacters(std::string_view bytes);

}  // namespace kestro

#endif  // KESTRO_PLATFORM_UTF8_H_
