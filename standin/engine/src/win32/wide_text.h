// UTF-8 and the window system's UTF-16, converted; invalid sequences
// become replacement characters rather than failures.
#ifndef STANDIN_ENGINE_WIN32_WIDE_TEXT_H_
#define STANDIN_ENGINE_WIN32_WIDE_TEXT_H_

#include <string>

namespace standin::internal::win32 {

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

}  // namespace standin::internal::win32

#endif  // STANDIN_ENGINE_WIN32_WIDE_TEXT_H_
