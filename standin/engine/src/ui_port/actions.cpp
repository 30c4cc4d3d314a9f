#include "ui_port/actions.h"

#include <thread>
#include <utility>

#include "core.h"
#include "platform.h"

namespace standin::internal {
namespace {

bool OnWindow(const frames::ActionRequest& request, platform::WindowActionKind kind, std::function<void(bool)> done) {
  platform::WindowAction action;
  action.kind = kind;
  action.width = request.width;
  action.height = request.height;
  return Core::Instance().RunWindowAction(request.engine, action, std::move(done));
}

// The result never comes when the crash happens: the process has ended.
bool Crash(const frames::ActionRequest& request, std::function<void(bool)> done) {
  const uint8_t kind = request.crash_kind;
  auto crash = [kind, done = std::move(done)] {
    if (!platform::CrashProcess(kind)) done(false);
  };
  if (request.crash_thread == 0) {
    Core::Instance().Tasks().Post(std::move(crash));
  } else {
    std::thread(std::move(crash)).detach();
  }
  return true;
}

}  // namespace

bool StartAction(const frames::ActionRequest& request, std::function<void(bool)> done) {
  using platform::WindowActionKind;
  switch (request.action) {
    case frames::kRenderFrame:
      return Core::Instance().RenderFrame(request.engine, [done = std::move(done)] { done(true); });
    case frames::kCloseWindow:
      return OnWindow(request, WindowActionKind::kClose, std::move(done));
    case frames::kResizeWindow:
      return OnWindow(request, WindowActionKind::kResize, std::move(done));
    case frames::kSendFontChange:
      return OnWindow(request, WindowActionKind::kFontChange, std::move(done));
    case frames::kMinimiseWindow:
      return OnWindow(request, WindowActionKind::kMinimise, std::move(done));
    case frames::kRestoreWindow:
      return OnWindow(request, WindowActionKind::kRestore, std::move(done));
    // Consumption is the engine's own setting, for every engine alike.
    case frames::kConsumeWindowMessage:
      ConsumeWindowMessage(request.message, static_cast<LRESULT>(request.result));
      done(true);
      return true;
    case frames::kStopConsumingWindowMessage:
      StopConsumingWindowMessage(request.message);
      done(true);
      return true;
    case frames::kForgetSentMessages:
      Core::Instance().ClearSent();
      done(true);
      return true;
    case frames::kCrashProcess:
      return Crash(request, std::move(done));
    default:
      return false;
  }
}

}  // namespace standin::internal
