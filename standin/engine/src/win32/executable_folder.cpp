// The executable's folder, from the module file name of the process.
#include <windows.h>

#include <string>

#include "diagnostics.h"
#include "platform.h"

namespace standin::internal::platform {

std::optional<std::filesystem::path> ExecutableFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      Diagnose("GetModuleFileNameW failed: " + std::to_string(GetLastError()) + "; data paths are not checked");
      return std::nullopt;
    }
    if (length < name.size()) {
      name.resize(length);
      return std::filesystem::path(name).parent_path();
    }
    name.resize(name.size() * 2);
  }
}

}  // namespace standin::internal::platform
