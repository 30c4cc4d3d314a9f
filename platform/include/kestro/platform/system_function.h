// Functions of system libraries that only some Windows versions have, looked
// up at run time. Windows only.
#ifndef KESTRO_PLATFORM_SYSTEM_FUNCTION_H_
#define KESTRO_PLATFORM_SYSTEM_FUNCTION_H_

#include <windows.h>

#include <type_traits>

namespace kestro {

// The address of `name` in `library`, null when this system lacks either.
// The library stays loaded for the life of the process, so the address may
// be kept: look each function up once (a function-local static).
FARPROC FindSystemProcedure(const wchar_t* library, const char* name);

// `Function` is the function type, calling convention included:
//   static const auto get_dpi = FindSystemFunction<UINT WINAPI(HWND)>(L"user32.dll", "GetDpiForWindow");
template <typename Function>
Function* FindSystemFunction(const wchar_t* library, const char* name) {
  static_assert(std::is_function_v<Function>, "a function type, such as BOOL WINAPI(HWND)");
  // Through void(*)(): a cast between unrelated function pointer types is
  // what compilers warn about, and FARPROC is only a placeholder type.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(FindSystemProcedure(library, name)));
}

}  // namespace kestro

#endif  // KESTRO_PLATFORM_SYSTEM_FUNCTION_H_
