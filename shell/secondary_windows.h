// Readies the engine of every window the multi-window plug-in opens.
#ifndef KESTRO_SHELL_SECONDARY_WINDOWS_H_
#define KESTRO_SHELL_SECONDARY_WINDOWS_H_

namespace kestro {

// Called by the multi-window plug-in library on the platform thread with
// the new window's flutter::FlutterViewController (built from that
// library's own copy of the client library); null is ignored. The new
// engine gets the same plug-ins as the main window, and, when it has a view,
// capture protection and text insertion acting on that view's window.
void OnSecondaryWindowCreated(void* flutter_view_controller) noexcept;

}  // namespace kestro

#endif  // KESTRO_SHELL_SECONDARY_WINDOWS_H_
