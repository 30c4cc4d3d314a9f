#include "command_line_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include "kestro/platform/unique_handle.h"
#include "kestro/platform/wide_text.h"

namespace kestro {

namespace {
using ArgumentArray = UniqueHandle<wchar_t**, CloseWith<LocalFree>>;
}  // namespace

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
