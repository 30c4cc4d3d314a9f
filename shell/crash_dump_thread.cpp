#include "crash_dump_thread.h"

#include <dbghelp.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

#include "crash_record.h"
#include "kestro/platform/diagnostics.h"
#include "kestro/platform/process_facts.h"
#include "kestro/platform/wide_text.h"

namespace kestro {
namespace {

using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                                PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// Set once at start-up, before any crash can be handed over.
std::filesystem::path* dump_folder = nullptr;
HANDLE crash_handed_over = nullptr;
// Set once the dump and the crash record are on disk.
HANDLE crash_kept = nullptr;
// The one crash being written; the crashing thread waits while it is.
EXCEPTION_POINTERS* handed_pointers = nullptr;
DWORD crashed_thread = 0;
DWORD crash_code = 0;
LONG crash_claimed = 0;

// The module that holds `address`, by file name, and the offset into it;
// "unknown" and the address itself outside every module.
std::string ModuleAt(const void* address, std::uintptr_t* offset) {
  HMODULE module = nullptr;
  wchar_t path[MAX_PATH];
  // A null address would name the executable itself.
  if (address != nullptr &&
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(address), &module) &&
      GetModuleFileNameW(module, path, MAX_PATH) != 0) {
    *offset = reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module);
    const wchar_t* name = path;
    for (const wchar_t* at = path; *at != L'\0'; ++at) {
      if (*at == L'\\' || *at == L'/') name = at + 1;
    }
    return WideToUtf8(name);
  }
  *offset = reinterpret_cast<std::uintptr_t>(address);
  return "unknown";
}

// Names sort by time: the pruning keeps the newest by name.
std::filesystem::path NewDumpPath() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t name[96];
  std::swprintf(name, 96, L"kestro-%04u%02u%02u-%02u%02u%02u-%03u-%lu.dmp", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, now.wMilliseconds, GetCurrentProcessId());
  return *dump_folder / name;
}

bool WriteMinidump(MiniDumpWriteDumpFunction write_dump, const std::filesystem::path& path) {
  if (write_dump == nullptr) return false;
  std::error_code ignored;
  std::filesystem::create_directories(*dump_folder, ignored);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ReportPlatformFailure("CreateFileW", GetLastError());
    return false;
  }
  MINIDUMP_EXCEPTION_INFORMATION exception{crashed_thread, handed_pointers, FALSE};
  // Threads, modules and the exception: enough to read the crashing stack.
  const BOOL written =
      write_dump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &exception, nullptr, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!written) {
    ReportPlatformFailure("MiniDumpWriteDump", error);
    DeleteFileW(path.c_str());
  }
  return written != FALSE;
}

void WriteCrash(MiniDumpWriteDumpFunction write_dump) {
  const EXCEPTION_RECORD& exception = *handed_pointers->ExceptionRecord;
  std::uintptr_t offset = 0;
  CrashRecord record;
  record.time = LocalTimestamp();
  record.code = exception.ExceptionCode;
  record.module = ModuleAt(exception.ExceptionAddress, &offset);
  const std::filesystem::path path = NewDumpPath();
  if (WriteMinidump(write_dump, path)) record.dump = path.u8string();
  if (FILE* file = _wfopen((*dump_folder / kLastCrashFileName).c_str(), L"wb")) {
    const std::string text = FormatCrashRecord(record);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  KeepNewestDumps(*dump_folder, kKeptDumps);
  SetEvent(crash_kept);

  // Last, as it takes the diagnostics' locks, which the crash may have
  // left held.
  char head[160];
  std::snprintf(head, sizeof head, "Error: unhandled exception 0x%08X at %s+0x%llX; minidump ",
                static_cast<unsigned>(record.code), record.module.c_str(), static_cast<unsigned long long>(offset));
  WriteDiagnosticLine(std::string(head) + (record.dump.empty() ? "(none)" : record.dump));
}

DWORD WINAPI RunDumpThread(void*) {
  // Loaded here rather than on the way up, and before any crash needs it.
  const HMODULE dbghelp = LoadLibraryW(L"dbghelp.dll");
  const auto write_dump = dbghelp == nullptr ? nullptr
                                             : reinterpret_cast<MiniDumpWriteDumpFunction>(reinterpret_cast<void*>(
                                                   GetProcAddress(dbghelp, "MiniDumpWriteDump")));
  // Registering the process without its modules, symbols loaded only when
  // asked for, keeps the dump to what it holds: Wine's dbghelp otherwise
  // reads every module's debug information first, for half a minute.
  using SymSetOptionsFunction = DWORD(WINAPI*)(DWORD);
  using SymInitializeFunction = BOOL(WINAPI*)(HANDLE, PCWSTR, BOOL);
  if (dbghelp != nullptr) {
    const auto set_options =
        reinterpret_cast<SymSetOptionsFunction>(reinterpret_cast<void*>(GetProcAddress(dbghelp, "SymSetOptions")));
    const auto initialize =
        reinterpret_cast<SymInitializeFunction>(reinterpret_cast<void*>(GetProcAddress(dbghelp, "SymInitializeW")));
    if (set_options != nullptr) set_options(SYMOPT_DEFERRED_LOADS);
    if (initialize != nullptr) initialize(GetCurrentProcess(), nullptr, FALSE);
  }
  WaitForSingleObject(crash_handed_over, INFINITE);
  try {
    WriteCrash(write_dump);
  } catch (...) {
    // The process ends all the same.
  }
  // Ended from here: the crashed thread may have no stack left to do it.
  TerminateProcess(GetCurrentProcess(), crash_code);
  return 0;
}

}  // namespace

bool StartCrashDumpThread(const std::filesystem::path& folder) {
  dump_folder = new std::filesystem::path(folder);
  crash_handed_over = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  crash_kept = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (crash_handed_over == nullptr || crash_kept == nullptr) {
    ReportPlatformFailure("CreateEventW", GetLastError());
    return false;
  }
  HANDLE thread = CreateThread(nullptr, 256 * 1024, RunDumpThread, nullptr, 0, nullptr);
  if (thread == nullptr) {
    ReportPlatformFailure("CreateThread", GetLastError());
    return false;
  }
  CloseHandle(thread);
  return true;
}

void HandOverCrash(EXCEPTION_POINTERS* pointers) noexcept {
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  if (InterlockedCompareExchange(&crash_claimed, 1, 0) == 0) {
    handed_pointers = pointers;
    crash_code = code;
    crashed_thread = GetCurrentThreadId();
    SetEvent(crash_handed_over);
  }
  // The dump thread ends the process once it has written the line. Bounded
  // all the same: stuck on a lock the crash left held, it must not keep
  // the process alive, 60 s for the dump (Wine's dbghelp is slow), then a
  // moment for the line.
  if (WaitForSingleObject(crash_kept, 60000) == WAIT_OBJECT_0) Sleep(2000);
  TerminateProcess(GetCurrentProcess(), code);
  for (;;) Sleep(INFINITE);
}

}  // namespace kestro
