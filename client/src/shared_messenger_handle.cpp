#include "shared_messenger_handle.h"

namespace flutter::internal {

namespace {
struct ReleaseReference {
  void operator()(FlutterDesktopMessengerRef handle) const {
    if (handle != nullptr) {
      FlutterDesktopMessengerRelease(handle);
    }
  }
};
}  // namespace

SharedMessengerHandle::SharedMessengerHandle(FlutterDesktopMessengerRef added_reference)
    : handle_(added_reference, ReleaseReference{}) {}

}  // namespace flutter::internal
