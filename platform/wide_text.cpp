#include "kestro/platform/wide_text.h"

#include <windows.h>

#include <climits>
#include <cwchar>

namespace kestro {

std::string WideToUtf8(const wchar_t* text) {
  if (text == nullptr) return {};
  // WC_ERR_INVALID_CHARS makes a broken string fail instead of turning into
  // replacement characters the user interface could not tell apart.
  const int measured = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
  const int target_length = measured - 1;  // without the terminating NUL
  if (target_length <= 0) return {};
  const size_t input_length = std::wcslen(text);
  if (input_length > static_cast<size_t>(INT_MAX)) return {};
  std::string utf8(static_cast<size_t>(target_length), '\0');
  const int converted = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, static_cast<int>(input_length),
                                            utf8.data(), target_length, nullptr, nullptr);
  if (converted == 0) return {};
  return utf8;
}

std::wstring Utf8ToWide(std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int input_length = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), input_length, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  const int converted = MultiByteToWideChar(CP_UTF8, 0, text.data(), input_length, wide.data(), length);
  wide.resize(static_cast<size_t>(converted > 0 ? converted : 0));
  return wide;
}

}  // namespace kestro
