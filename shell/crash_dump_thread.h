// The thread that writes a crash's minidump. It is created at start-up, so
// that a crashing thread, whose stack or heap may be beyond use, only hands
// its exception over and waits.
#ifndef KESTRO_SHELL_CRASH_DUMP_THREAD_H_
#define KESTRO_SHELL_CRASH_DUMP_THREAD_H_

#include <windows.h>

#include <filesystem>

namespace kestro {

// False when the thread could not be started (with a diagnostic line).
bool StartCrashDumpThread(const std::filesystem::path& folder);

// Has the dump written: the minidump, the line on standard error and in the
// log, the last-crash record and the pruning of old dumps; then ends the
// process with the exception's code. A second crash while the first is
// being written waits for that.
[[noreturn]] void HandOverCrash(EXCEPTION_POINTERS* pointers) noexcept;

}  // namespace kestro

#endif  // KESTRO_SHELL_CRASH_DUMP_THREAD_H_
