// The multi-window library's own part: it keeps the host's window-created
// callback and, on the UI's request, opens windows and hands each new
// controller to that callback.
//   "has_window_created_callback"      -> bool
//   "create_window" {"with_view": bool, default true}
//                                      -> {"window": number, "view_window": view HWND or 0}
//   "close_window" number              -> bool (false: no such window)
//   "announce_null_window"             -> bool: whether a callback got a
//                                         null controller, as a faulty
//                                         plug-in might hand over
#include <cstdint>

#include "flutter/encodable_value.h"
#include "kestro/plugin_libraries.h"
#include "secondary_window.h"
#include "standin_plugin.h"

namespace {
// Set and read on the platform thread only.
DesktopMultiWindowWindowCreatedCallback window_created_callback = nullptr;

bool WithView(const flutter::EncodableValue* arguments) {
  const flutter::EncodableValue* with_view = arguments != nullptr ? arguments->Find("with_view") : nullptr;
  const bool* flag = with_view != nullptr ? with_view->TryGet<bool>() : nullptr;
  return flag == nullptr || *flag;
}

void AnswerCreateWindow(const flutter::MethodCall& call, flutter::MethodResult& result) {
  standin_plugin::SecondaryWindow* opened = standin_plugin::OpenSecondaryWindow(WithView(call.arguments()));
  if (opened == nullptr) {
    result.Error("window_failed", "the window could not be created");
    return;
  }
  if (window_created_callback != nullptr) window_created_callback(opened->controller.get());
  const flutter::FlutterView* view = opened->controller->View();
  const auto view_window =
      static_cast<int64_t>(reinterpret_cast<intptr_t>(view != nullptr ? view->NativeWindow() : nullptr));
  result.Success(flutter::EncodableValue(
      flutter::ValueMap{{flutter::EncodableValue("window"), flutter::EncodableValue(opened->number)},
                        {flutter::EncodableValue("view_window"), flutter::EncodableValue(view_window)}}));
}

void AnswerCloseWindow(const flutter::MethodCall& call, flutter::MethodResult& result) {
  const flutter::EncodableValue* arguments = call.arguments();
  const int64_t* number = arguments != nullptr ? arguments->TryGet<int64_t>() : nullptr;
  const int32_t* small_number = arguments != nullptr ? arguments->TryGet<int32_t>() : nullptr;
  if (number == nullptr && small_number == nullptr) {
    result.Error("bad_arguments", "close_window takes the window number");
    return;
  }
  result.Success(
      flutter::EncodableValue(standin_plugin::CloseSecondaryWindow(number != nullptr ? *number : *small_number)));
}
}  // namespace

extern "C" void DesktopMultiWindowSetWindowCreatedCallback(DesktopMultiWindowWindowCreatedCallback callback) {
  window_created_callback = callback;
}

namespace standin_plugin {

bool HandleOwnCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult>& result) {
  const std::string& method = call.method_name();
  if (method == "has_window_created_callback") {
    result->Success(flutter::EncodableValue(window_created_callback != nullptr));
  } else if (method == "create_window") {
    AnswerCreateWindow(call, *result);
  } else if (method == "close_window") {
    AnswerCloseWindow(call, *result);
  } else if (method == "announce_null_window") {
    if (window_created_callback != nullptr) window_created_callback(nullptr);
    result->Success(flutter::EncodableValue(window_created_callback != nullptr));
  } else {
    return false;
  }
  return true;
}

}  // namespace standin_plugin
