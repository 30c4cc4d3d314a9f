// Process entry: console, COM, the engine's files and arguments, the host
// window and the message loop.
#include <windows.h>

#include <exception>

#include "command_line_arguments.h"
#include "debug_console.h"
#include "diagnostics.h"
#include "flutter/engine_project.h"
#include "flutter_window.h"

namespace {

int RunHost() {
  // Started from a console: write there. Under a debugger without one: a
  // console of its own. Otherwise: none.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && IsDebuggerPresent()) {
    kestro::OpenDebugConsole();
  }
  // Single-threaded apartment before any window or engine object exists.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  flutter::EngineProject project(L"data");
  project.entrypoint_arguments = kestro::CollectArguments();

  kestro::FlutterWindow window(project);
  if (!window.OpenWindow(L"kestro", {10, 10}, {1280, 720})) {
    return 1;
  }
  window.SetQuitWhenClosed(true);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  CoUninitialize();
  return 0;
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  try {
    return RunHost();
  } catch (const std::exception& exception) {
    kestro::ReportEscapedException("kestro", &exception);
  } catch (...) {
    kestro::ReportEscapedException("kestro", nullptr);
  }
  return 1;
}
