// The one converter between the UTF-8 the program uses and the Windows
// API's UTF-16. Windows only.
#ifndef KESTRO_PLATFORM_WIDE_TEXT_H_
#define KESTRO_PLATFORM_WIDE_TEXT_H_

#include <string>
#include <string_view>

namespace kestro {

// Empty for a null or empty input, and for anything that is not valid
// UTF-16 (an unpaired surrogate).
std::string WideToUtf8(const wchar_t* text);

// For text shown to the user: each sequence that is not UTF-8 becomes a
// replacement character rather than failing the rest.
std::wstring Utf8ToWide(std::string_view text);

}  // namespace kestro

#endif  // KESTRO_PLATFORM_WIDE_TEXT_H_
