#include "crash_reporting.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>

#include "crash_dump_thread.h"
#include "kestro/platform/diagnostics.h"
#include "kestro/platform/process_facts.h"

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define KESTRO_CALLER_ADDRESS() _ReturnAddress()
#else
#define KESTRO_CALLER_ADDRESS() __builtin_return_address(0)
#endif

namespace kestro {
namespace {

// What abort, std::terminate and a pure virtual call end with in Windows'
// own runtime (a fast fail); an invalid parameter has its own status.
constexpr DWORD kAbortCode = 0xC0000409;             // STATUS_STACK_BUFFER_OVERRUN
constexpr DWORD kInvalidParameterCode = 0xC0000417;  // STATUS_INVALID_CRUNTIME_PARAMETER
// Stack left to the handler of a stack overflow on every thread.
constexpr ULONG kStackGuarantee = 64 * 1024;
constexpr int kOutToStderr = 1;  // _OUT_TO_STDERR

std::atomic<bool> reporting{false};

// A failure that is not an exception becomes one, raised where it was noticed.
[[noreturn]] void HandOverFailure(DWORD code, void* address) noexcept {
  CONTEXT context{};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record{};
  record.ExceptionCode = code;
  record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
  record.ExceptionAddress = address;
  EXCEPTION_POINTERS pointers{&record, &context};
  HandOverCrash(&pointers);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  HandOverCrash(pointers);
}

void __cdecl OnAbortSignal(int) {
  HandOverFailure(kAbortCode, KESTRO_CALLER_ADDRESS());
}
void OnTerminate() {
  HandOverFailure(kAbortCode, KESTRO_CALLER_ADDRESS());
}
void __cdecl OnPureCall() {
  HandOverFailure(kAbortCode, KESTRO_CALLER_ADDRESS());
}
void __cdecl OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, std::uintptr_t) {
  HandOverFailure(kInvalidParameterCode, KESTRO_CALLER_ADDRESS());
}

void GuaranteeHandlerStack() {
  ULONG size = kStackGuarantee;
  SetThreadStackGuarantee(&size);
}

// Every thread the process gets from now on, the libraries' included.
void NTAPI OnThreadEvent(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_THREAD_ATTACH && reporting) GuaranteeHandlerStack();
}

// The runtime's hooks that only some of its versions export: looked up, not imported.
template <typename Function>
Function RuntimeExport(const char* name) {
  const HMODULE runtime = GetModuleHandleW(L"msvcrt.dll");
  return runtime == nullptr ? nullptr
                            : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(runtime, name)));
}

void InstallHandlers() {
  SetUnhandledExceptionFilter(OnUnhandledException);
  // The runtime's abort would otherwise first show a message box in a
  // windowed program and wait for someone to close it.
  if (auto set_error_mode = RuntimeExport<int(__cdecl*)(int)>("_set_error_mode")) set_error_mode(kOutToStderr);
  std::signal(SIGABRT, OnAbortSignal);
  std::set_terminate(OnTerminate);
  using PureCallHandler = void(__cdecl*)();
  if (auto set = RuntimeExport<PureCallHandler(__cdecl*)(PureCallHandler)>("_set_purecall_handler")) {
    set(OnPureCall);
  }
  using InvalidParameterHandler =
      void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, std::uintptr_t);
  if (auto set =
          RuntimeExport<InvalidParameterHandler(__cdecl*)(InvalidParameterHandler)>("_set_invalid_parameter_handler")) {
    set(OnInvalidParameter);
  }
  GuaranteeHandlerStack();
}

std::optional<std::filesystem::path> CrashFolder() {
  const std::optional<std::string> chosen = EnvironmentValue("KESTRO_CRASH_DIR");
  if (chosen.has_value() && *chosen == "off") return std::nullopt;
  if (chosen.has_value() && !chosen->empty()) return std::filesystem::u8path(*chosen);
  const std::optional<std::string> local = EnvironmentValue("LOCALAPPDATA");
  if (!local.has_value() || local->empty()) return std::nullopt;
  return std::filesystem::u8path(*local) / "kestro" / "crashes";
}

}  // namespace

// In the image's TLS callback table, after the runtime's own.
#if defined(_MSC_VER) && !defined(__clang__)
#pragma comment(linker, "/INCLUDE:_tls_used")
#pragma comment(linker, "/INCLUDE:kestro_thread_stack_guarantee")
#pragma section(".CRT$XLK", read)
extern "C" __declspec(allocate(".CRT$XLK")) const PIMAGE_TLS_CALLBACK kestro_thread_stack_guarantee = OnThreadEvent;
#else
extern "C" __attribute__((section(".CRT$XLK"), used)) const PIMAGE_TLS_CALLBACK kestro_thread_stack_guarantee =
    OnThreadEvent;
#endif

CrashReporting StartCrashReporting() {
  CrashReporting result;
  const std::optional<std::filesystem::path> folder = CrashFolder();
  if (!folder.has_value()) return result;
  std::error_code error;
  std::filesystem::create_directories(*folder, error);
  if (error) {
    WriteDiagnosticLine("Warning: crash dumps are off: " + folder->u8string() +
                        " cannot be created: " + error.message());
    return result;
  }
  result.last_crash = ReadLastCrash(*folder);
  if (!StartCrashDumpThread(*folder)) return result;
  reporting = true;
  InstallHandlers();
  result.folder = folder->u8string();
  return result;
}

}  // namespace kestro
