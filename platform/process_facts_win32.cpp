#include <windows.h>

#include <cstdio>
#include <vector>

#include "kestro/platform/process_facts.h"
#include "kestro/platform/wide_text.h"

namespace kestro {

std::string LocalTimestamp() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  char text[96];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", local.wYear, local.wMonth, local.wDay,
                local.wHour, local.wMinute, local.wSecond, local.wMilliseconds);
  return text;
}

std::uint32_t CurrentThreadNumber() {
  return GetCurrentThreadId();
}

std::uint32_t CurrentProcessNumber() {
  return GetCurrentProcessId();
}

std::string OsBuildText() {
  // RtlGetVersion tells the truth whatever the manifest declares.
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto get_version =
      ntdll == nullptr
          ? nullptr
          : reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (get_version == nullptr || get_version(&version) != 0) return "Windows (version unknown)";
  char text[64];
  std::snprintf(text, sizeof text, "Windows %lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                version.dwBuildNumber);
  return text;
}

std::optional<std::string> EnvironmentValue(const char* name) {
  const std::wstring wide_name(name, name + std::char_traits<char>::length(name));
  const DWORD needed = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (needed == 0) {
    // Set but empty reads the same as a one-character buffer that stays empty.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::vector<wchar_t> value(needed);
  const DWORD written = GetEnvironmentVariableW(wide_name.c_str(), value.data(), needed);
  if (written == 0 || written >= needed) return std::string();
  return WideToUtf8(value.data());
}

}  // namespace kestro
