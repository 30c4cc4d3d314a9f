// The engine library's entry point: loading pins it, and unloading leaves
// the UI port's sockets shut down without waiting for anything.
//
// The UI port's threads are stopped and joined when the last engine goes
// (StopUiPortWithoutEngines), before the host can end the process. Nothing
// of the kind can happen here: this runs under the loader lock, which a
// thread needs in order to end, so joining one would deadlock; and at
// process end the system has already ended every other thread, maybe
// inside a call holding one of our locks, so waiting for any lock hangs.
// Pinning the library makes the process end the only unloading, so no
// thread of ours can be left running code that is gone.
#include <windows.h>

#include <string>

#include "diagnostics.h"
#include "ui_port/ui_port.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            reinterpret_cast<LPCWSTR>(instance), &pinned)) {
      standin::internal::Diagnose("GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN) failed (error " +
                                  std::to_string(GetLastError()) + "); unloading the library early is unsafe");
    }
  } else if (reason == DLL_PROCESS_DETACH) {
    // Left running only when the host ended without destroying its engines.
    standin::internal::ShutDownUiPortAtProcessEnd();
  }
  return TRUE;
}
