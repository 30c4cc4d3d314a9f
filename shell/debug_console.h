// A console for a program started under a debugger without one.
#ifndef KESTRO_SHELL_DEBUG_CONSOLE_H_
#define KESTRO_SHELL_DEBUG_CONSOLE_H_

namespace kestro {

// Creates a console and binds standard output and standard error, the
// runtime's and the engine library's, to it. Does nothing when no console
// can be created.
void OpenDebugConsole();

}  // namespace kestro

#endif  // KESTRO_SHELL_DEBUG_CONSOLE_H_
