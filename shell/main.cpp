// Process entry: console, COM, the engine's files and arguments, the host
// window and the message loop.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "clipboard_restore.h"
#include "command_line_arguments.h"
#include "crash_reporting.h"
#include "debug_console.h"
#include "flutter/engine_project.h"
#include "flutter_window.h"
#include "kestro/platform/com_apartment.h"
#include "kestro/platform/diagnostics.h"
#include "kestro/platform/log_file.h"

namespace {

int RunHost(kestro::DiagnosticsInfo diagnostics) {
  // Started from a console: write there. Under a debugger without one: a
  // console of its own. Otherwise: none.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && IsDebuggerPresent()) {
    kestro::OpenDebugConsole();
  }
  // Single-threaded apartment before any window or engine object exists,
  // left after the last of them is gone.
  kestro::ComApartment apartment;
  const HRESULT entered = apartment.Enter(COINIT_APARTMENTTHREADED);
  if (FAILED(entered)) kestro::ReportPlatformFailure("CoInitializeEx", static_cast<std::uint32_t>(entered));

  flutter::EngineProject project(L"data");
  project.entrypoint_arguments = kestro::CollectArguments();

  kestro::FlutterWindow window(project);
  window.SetDiagnosticsInfo(std::move(diagnostics));
  if (!window.OpenWindow(L"kestro", {10, 10}, {1280, 720})) {
    return 1;
  }
  window.SetQuitWhenClosed(true);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // A paste's text, perhaps a secret, must not outlive the run on the
  // clipboard when the user's own contents were to come back.
  kestro::FinishPendingClipboardRestore();
  return 0;
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  try {
    // Before anything that could fail, so that the failure is kept.
    kestro::DiagnosticsInfo diagnostics;
    diagnostics.version = KESTRO_VERSION;
    diagnostics.log_file = kestro::StartLogFromEnvironment(KESTRO_VERSION);
    kestro::CrashReporting crashes = kestro::StartCrashReporting();
    diagnostics.crash_folder = std::move(crashes.folder);
    diagnostics.last_crash = std::move(crashes.last_crash);
    return RunHost(std::move(diagnostics));
  } catch (...) {
    kestro::ReportEscapedException("kestro failed");
  }
  return 1;
}
