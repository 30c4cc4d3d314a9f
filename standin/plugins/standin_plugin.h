// What one stand-in plug-in library is, filled in per library at compile
// time: its registrar name, and the calls its channel answers beyond "ping".
#ifndef KESTRO_STANDIN_PLUGIN_H_
#define KESTRO_STANDIN_PLUGIN_H_

#include <memory>

#include "flutter/method_call.h"
#include "flutter/method_result.h"

namespace standin_plugin {

// The name the host asks the registrar by; also names the channel
// "standin/<name>".
extern const char kRegistrarName[];

// Answers a call this library has its own meaning for and returns true;
// returns false, leaving `result` untouched, for any other.
bool HandleOwnCall(const flutter::MethodCall& call, std::unique_ptr<flutter::MethodResult>& result);

}  // namespace standin_plugin

#endif  // KESTRO_STANDIN_PLUGIN_H_
