// The command line, as the UTF-8 entrypoint arguments of the user interface.
#ifndef KESTRO_SHELL_COMMAND_LINE_ARGUMENTS_H_
#define KESTRO_SHELL_COMMAND_LINE_ARGUMENTS_H_

#include <string>
#include <vector>

#include "kestro/platform/wide_text.h"  // WideToUtf8, which the arguments use

namespace kestro {

// Every argument after the program path, in order; one that cannot be
// converted stays in place as an empty string so later ones keep their
// positions. Empty when the command line cannot be split.
std::vector<std::string> ArgumentsFromCommandLine(const wchar_t* command_line);

// ArgumentsFromCommandLine of this process's command line.
std::vector<std::string> CollectArguments();

}  // namespace kestro

#endif  // KESTRO_SHELL_COMMAND_LINE_ARGUMENTS_H_
