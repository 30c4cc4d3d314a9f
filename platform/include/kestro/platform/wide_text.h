// Text the Windows API hands out as UTF-16, turned into the UTF-8 the rest
// of the program uses. Windows only.
#ifndef KESTRO_PLATFORM_WIDE_TEXT_H_
#define KESTRO_PLATFORM_WIDE_TEXT_H_

#include <string>

namespace kestro {

// Empty for a null or empty input, and for anything that is not valid
// UTF-16 (an unpaired surrogate).
std::string WideToUtf8(const wchar_t* text);

}  // namespace kestro

#endif  // KESTRO_PLATFORM_WIDE_TEXT_H_
