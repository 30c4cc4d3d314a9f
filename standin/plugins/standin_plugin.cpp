// The registration function of one stand-in plug-in library. It sets up the
// channel "standin/<registrar name>" on the registrar's engine, answering
// "ping" with the registrar name, so that the UI side can see which plug-ins
// were registered on which engine.
#include "standin_plugin.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "flutter/binary_messenger_impl.h"
#include "flutter/encodable_value.h"
#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"
#include "kestro/platform/diagnostics.h"
#include "kestro/plugin_libraries.h"

#ifndef STANDIN_PLUGIN_REGISTER_FUNCTION
#error "STANDIN_PLUGIN_REGISTER_FUNCTION names the exported registration function"
#endif
#ifndef STANDIN_PLUGIN_REGISTRAR_NAME
#error "STANDIN_PLUGIN_REGISTRAR_NAME is the registrar name, a string literal"
#endif

namespace standin_plugin {

const char kRegistrarName[] = STANDIN_PLUGIN_REGISTRAR_NAME;

namespace {

void WriteLine(const std::string& line) {
  kestro::WriteDiagnosticLine(std::string("standin plugin ") + kRegistrarName + ": " + line);
}

// One messenger wrapper per registration. The library has no word of when an
// engine goes, so the wrappers of engines that went are dropped at the next
// registration: nothing calls them again, and each window opened and closed
// would otherwise leave one behind.
std::vector<std::unique_ptr<flutter::BinaryMessengerImpl>>& Messengers() {
  static std::vector<std::unique_ptr<flutter::BinaryMessengerImpl>> messengers;
  return messengers;
}

void DropMessengersOfGoneEngines() {
  auto& messengers = Messengers();
  messengers.erase(std::remove_if(messengers.begin(), messengers.end(),
                                  [](const std::unique_ptr<flutter::BinaryMessengerImpl>& messenger) {
                                    return !FlutterDesktopMessengerIsAvailable(messenger->messenger_handle());
                                  }),
                   messengers.end());
}

void Register(FlutterDesktopPluginRegistrarRef registrar) {
  if (registrar == nullptr) {
    WriteLine("no registrar; nothing registered");
    return;
  }
  const FlutterDesktopMessengerRef messenger_handle = FlutterDesktopPluginRegistrarGetMessenger(registrar);
  if (messenger_handle == nullptr) {
    WriteLine("the registrar has no messenger; nothing registered");
    return;
  }
  DropMessengersOfGoneEngines();
  auto messenger = std::make_unique<flutter::BinaryMessengerImpl>(messenger_handle);
  const flutter::MethodChannel channel(messenger.get(), std::string("standin/") + kRegistrarName,
                                       &flutter::StandardMethodCodec::Shared());
  channel.SetMethodCallHandler([](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
    if (call.method_name() == "ping") {
      result->Success(flutter::EncodableValue(std::string(kRegistrarName)));
    } else if (!HandleOwnCall(call, result)) {
      result->NotImplemented();
    }
  });
  Messengers().push_back(std::move(messenger));
}

}  // namespace
}  // namespace standin_plugin

extern "C" void STANDIN_PLUGIN_REGISTER_FUNCTION(FlutterDesktopPluginRegistrarRef registrar) {
  try {
    standin_plugin::Register(registrar);
  } catch (const std::exception& exception) {
    standin_plugin::WriteLine(std::string("registration failed: ") + exception.what());
  } catch (...) {
    standin_plugin::WriteLine("registration failed");
  }
}
