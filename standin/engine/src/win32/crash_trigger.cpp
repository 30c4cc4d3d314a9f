// The UI port's crash action: each way a host process can fail without a
// word, so that the host's crash handling can be tried for real.
#include <windows.h>

#include <cxxabi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform.h"
#include "ui_port/frames.h"

namespace standin::internal::platform {

namespace {

// Deep enough to pass any stack; the frame's bytes are used so that the
// recursion is neither folded nor turned into a loop, and the limit, never
// reached, keeps it from being infinite to the compiler.
volatile int recursion_limit = 1 << 30;

__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[4096];
  std::memset(const_cast<char*>(frame), depth & 0x7F, sizeof frame);
  if (depth >= recursion_limit) return frame[0];
  return Recurse(depth + 1) + frame[depth % sizeof frame];
}

}  // namespace

bool CrashProcess(uint8_t kind) {
  switch (kind) {
    case frames::kAccessViolation: {
      volatile int* volatile nowhere = nullptr;
      *nowhere = 1;
      return false;
    }
    case frames::kAbort:
      std::abort();
    case frames::kTerminate:
      std::terminate();
    case frames::kPureVirtualCall:
      // What a pure function's table slot holds in this ABI; a real call
      // through a half-built object is undefined, and compilers drop it.
      __cxxabiv1::__cxa_pure_virtual();
    case frames::kInvalidParameter: {
      // The runtime's own report, as its checked functions make it (Wine's
      // msvcrt.dll checks without reporting, so it is called directly).
      using ReportFunction = void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t);
      const HMODULE runtime = GetModuleHandleW(L"msvcrt.dll");
      const auto report = runtime == nullptr ? nullptr
                                             : reinterpret_cast<ReportFunction>(reinterpret_cast<void*>(
                                                   GetProcAddress(runtime, "_invalid_parameter")));
      if (report == nullptr) return false;
      report(nullptr, nullptr, nullptr, 0, 0);
      // Reported and returned (no handler, as in Wine's msvcrt.dll): what
      // the newer runtimes do then.
      RaiseException(0xC0000417, EXCEPTION_NONCONTINUABLE, 0, nullptr);  // STATUS_INVALID_CRUNTIME_PARAMETER
      return false;
    }
    case frames::kStackOverflow:
      Recurse(0);
      return false;
    case frames::kAccessViolationHoldingStderr: {
      // The runtime's own fprintf (the compiler's may be its own, locking
      // differently) holds the stream's lock while it formats, and the text
      // it reads lies nowhere.
      using PrintFunction = int(__cdecl*)(FILE*, const char*, ...);
      const HMODULE runtime = GetModuleHandleW(L"msvcrt.dll");
      const auto print = runtime == nullptr ? nullptr
                                            : reinterpret_cast<PrintFunction>(
                                                  reinterpret_cast<void*>(GetProcAddress(runtime, "fprintf")));
      if (print == nullptr) return false;
      const char* volatile nowhere = reinterpret_cast<const char*>(16);
      print(stderr, "%s", nowhere);
      return false;
    }
    default:
      return false;
  }
}

}  // namespace standin::internal::platform
