// The UI port: a loopback TCP listener through which UI peers play the
// user interface (protocol in standin/engine/README.md).
#ifndef STANDIN_ENGINE_UI_PORT_UI_PORT_H_
#define STANDIN_ENGINE_UI_PORT_UI_PORT_H_

#include <cstdint>
#include <optional>

namespace standin::internal {

// Listens on 127.0.0.1 (0 = any free port) and writes
// "standin: UI port listening: KESTRO_UI_PORT=<port>" to standard error.
// Already listening: returns the current port.
std::optional<uint16_t> StartUiPortServer(uint16_t port);
// Closes the listener and every connection, and waits for their threads.
void StopUiPortServer();
std::optional<uint16_t> UiPortServerNumber();
// Starts the port when KESTRO_UI_PORT is set and it is not serving yet.
// Such a port serves while some engine lives (StopUiPortWithoutEngines).
void StartUiPortFromEnvironment();
// After an engine ended (or failed to start): once no engine is alive,
// stops and joins the threads of the port the environment started, before
// the host can end the process; its listener stays. Not from a port thread.
void StopUiPortWithoutEngines();
// For the library's unloading at process end only: shuts the port's
// sockets down without waiting for anything (see win32/library_main.cpp).
void ShutDownUiPortAtProcessEnd();

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_UI_PORT_UI_PORT_H_
