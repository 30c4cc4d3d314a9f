// The few calls in which POSIX sockets and Winsock differ, under one set of
// names: socket_posix.cpp and socket_winsock.cpp implement them, and
// socket.cpp builds what is the same on both from them. Handles are the
// Socket's; -1 is none.
#ifndef STANDIN_ENGINE_UI_PORT_SOCKET_OS_H_
#define STANDIN_ENGINE_UI_PORT_SOCKET_OS_H_

#include <cstdint>
#include <string>

namespace standin::internal::net::os {

// A blocking TCP socket (on POSIX not inherited by child processes); -1 on failure.
intptr_t OpenStreamSocket();
// "<step>: <the system's reason for the last failure>".
std::string Failure(const char* step);
bool ConnectToLoopback(intptr_t handle, uint16_t port);
// 0 when the system cannot tell.
uint16_t BoundPort(intptr_t handle);
// A waiting connection from a non-blocking listener, itself blocking; -1
// when none is waiting, or on failure with the reason in `error`.
intptr_t AcceptWaiting(intptr_t listener, std::string* error);
// Frames are small and answered at once: no waiting to coalesce them.
void NoDelay(intptr_t handle);

}  // namespace standin::internal::net::os

#endif  // STANDIN_ENGINE_UI_PORT_SOCKET_OS_H_
