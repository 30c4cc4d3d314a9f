// "kestro/diagnostics": tells the UI where kestro keeps its log and crash
// dumps, and about the last crash of an earlier run.
#ifndef KESTRO_SERVICES_DIAGNOSTICS_CHANNEL_H_
#define KESTRO_SERVICES_DIAGNOSTICS_CHANNEL_H_

#include <memory>
#include <optional>
#include <string>

#include "crash_record.h"
#include "flutter/flutter_engine.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"

namespace kestro {

// Fixed at start-up: a crash of this run is the next run's news.
struct DiagnosticsInfo {
  std::string version;
  std::optional<std::string> log_file;
  std::optional<std::string> crash_folder;  // nothing while dumps are off
  std::optional<CrashRecord> last_crash;
};

// "get_info" answers a map: "version", "log_file" (or null), "crash_folder"
// (or null), "last_crash" (null, or a map of "time", "code", "module",
// "dump"). Every other method is not implemented.
void HandleDiagnosticsCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult> result,
                           const DiagnosticsInfo& info);

// A null engine installs nothing.
void RegisterDiagnosticsChannel(flutter::FlutterEngine* engine, DiagnosticsInfo info);

}  // namespace kestro

#endif  // KESTRO_SERVICES_DIAGNOSTICS_CHANNEL_H_
