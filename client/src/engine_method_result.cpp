#include "flutter/engine_method_result.h"

#include <utility>

namespace flutter {

EngineMethodResult::EngineMethodResult(ReplyCallback reply, const MethodCodec* codec)
    : reply_(std::move(reply)), codec_(codec) {}

}  // namespace flutter
