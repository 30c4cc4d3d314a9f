#include "kestro/platform/system_function.h"

namespace kestro {

FARPROC FindSystemProcedure(const wchar_t* library, const char* name) {
  // Loaded and never freed: a library the process already uses only gains a
  // reference, and one it did not must stay for the address to stay valid.
  const HMODULE module = LoadLibraryW(library);
  if (module == nullptr) return nullptr;
  return GetProcAddress(module, name);
}

}  // namespace kestro
