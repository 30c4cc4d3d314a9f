// Crash dumps, on unless KESTRO_CRASH_DIR=off: every way a process can fail
// without a word (an unhandled exception, abort, std::terminate, a pure
// virtual call, an invalid runtime parameter, a stack overflow), on any
// thread, leaves a minidump and one line.
#ifndef KESTRO_SHELL_CRASH_REPORTING_H_
#define KESTRO_SHELL_CRASH_REPORTING_H_

#include <optional>
#include <string>

#include "crash_record.h"

namespace kestro {

struct CrashReporting {
  std::optional<std::string> folder;      // UTF-8; nothing while dumps are off
  std::optional<CrashRecord> last_crash;  // of an earlier run
};

// KESTRO_CRASH_DIR names the folder, "off" turns dumps off; by default
// %LOCALAPPDATA%\kestro\crashes. Call once, first thing.
CrashReporting StartCrashReporting();

}  // namespace kestro

#endif  // KESTRO_SHELL_CRASH_REPORTING_H_
