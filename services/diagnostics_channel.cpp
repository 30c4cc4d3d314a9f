#include "diagnostics_channel.h"

#include <cstdint>
#include <utility>

#include "flutter/method_channel.h"
#include "flutter/standard_method_codec.h"

namespace kestro {
namespace {

constexpr char kChannel[] = "kestro/diagnostics";

flutter::EncodableValue TextOrNull(const std::optional<std::string>& text) {
  return text.has_value() ? flutter::EncodableValue(*text) : flutter::EncodableValue();
}

flutter::EncodableValue CrashValue(const std::optional<CrashRecord>& crash) {
  if (!crash.has_value()) return flutter::EncodableValue();
  return flutter::EncodableValue(flutter::ValueMap{
      {flutter::EncodableValue("time"), flutter::EncodableValue(crash->time)},
      // As a 64-bit integer, so that 0xC0000005 reads as the code it is.
      {flutter::EncodableValue("code"), flutter::EncodableValue(static_cast<std::int64_t>(crash->code))},
      {flutter::EncodableValue("module"), flutter::EncodableValue(crash->module)},
      {flutter::EncodableValue("dump"), flutter::EncodableValue(crash->dump)},
  });
}

}  // namespace

void HandleDiagnosticsCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                           const DiagnosticsInfo& info) {
  if (call.method_name() != "get_info") {
    result->NotImplemented();
    return;
  }
  result->Success(flutter::EncodableValue(flutter::ValueMap{
      {flutter::EncodableValue("version"), flutter::EncodableValue(info.version)},
      {flutter::EncodableValue("log_file"), TextOrNull(info.log_file)},
      {flutter::EncodableValue("crash_folder"), TextOrNull(info.crash_folder)},
      {flutter::EncodableValue("last_crash"), CrashValue(info.last_crash)},
  }));
}

void RegisterDiagnosticsChannel(flutter::FlutterEngine* engine, DiagnosticsInfo info) {
  if (engine == nullptr) return;
  const flutter::MethodChannel channel(engine->Messenger(), kChannel, &flutter::StandardMethodCodec::Shared());
  auto shared = std::make_shared<const DiagnosticsInfo>(std::move(info));
  channel.SetMethodCallHandler(
      [shared](const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result) {
        HandleDiagnosticsCall(call, std::move(result), *shared);
      });
}

}  // namespace kestro
