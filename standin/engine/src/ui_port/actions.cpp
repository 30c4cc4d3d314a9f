#include "ui_port/actions.h"

#include <utility>

#include "core.h"

namespace standin::internal {
namespace {

bool OnWindow(const frames::ActionRequest& request, platform::WindowActionKind kind, std::function<void(bool)> done) {
  platform::WindowAction action;
  action.kind = kind;
  action.width = request.width;
  action.height = request.height;
  return Core::Instance().RunWindowAction(request.engine, action, std::move(done));
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
    default:
      return false;
  }
}

}  // namespace standin::internal
