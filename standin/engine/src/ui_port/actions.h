// The UI port's actions: frames, the top-level window of an engine's view,
// and which window messages the engine consumes.
#ifndef STANDIN_ENGINE_UI_PORT_ACTIONS_H_
#define STANDIN_ENGINE_UI_PORT_ACTIONS_H_

#include <functional>

#include "ui_port/frames.h"

namespace standin::internal {

// Starts the action; `done` gets its outcome once it took effect (window
// work on the platform thread). False, with `done` never called, when the
// action is unknown or the engine has no view.
bool StartAction(const frames::ActionRequest& request, std::function<void(bool)> done);

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_UI_PORT_ACTIONS_H_
