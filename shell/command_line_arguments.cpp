#include "command_line_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include <climits>
#include <cwchar>

#include "kestro/platform/unique_handle.h"

namespace kestro {

namespace {
using ArgumentArray = UniqueHandle<wchar_t**, CloseWith<LocalFree>>;
}  // namespace

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

std::vector<std::string> ArgumentsFromCommandLine(const wchar_t* command_line) {
  std::vector<std::string> arguments;
  int count = 0;
  const ArgumentArray argv(CommandLineToArgvW(command_line, &count));
  if (!argv) return arguments;
  for (int i = 1; i < count; ++i) {
    arguments.push_back(WideToUtf8(argv.Get()[i]));
  }
  return arguments;
}

std::vector<std::string> CollectArguments() {
  return ArgumentsFromCommandLine(GetCommandLineW());
}

}  // namespace kestro
