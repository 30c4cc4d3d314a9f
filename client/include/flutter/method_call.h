// A decoded method call: a method name and its owned arguments.
#ifndef FLUTTER_METHOD_CALL_H_
#define FLUTTER_METHOD_CALL_H_

#include <memory>
#include <string>
#include <utility>

#include "flutter/encodable_value.h"

namespace flutter {

class MethodCall {
 public:
  MethodCall(std::string name, std::unique_ptr<EncodableValue> arguments)
      : name_(std::move(name)), arguments_(std::move(arguments)) {}
  virtual ~MethodCall() = default;

  MethodCall(const MethodCall&) = delete;
  MethodCall& operator=(const MethodCall&) = delete;

  const std::string& method_name() const { return name_; }
  // Null when the call carries no arguments; a decoded call always has them
  // (null when the message carried none).
  const EncodableValue* arguments() const { return arguments_.get(); }

 private:
  std::string name_;
  std::unique_ptr<EncodableValue> arguments_;
};

}  // namespace flutter

#endif  // FLUTTER_METHOD_CALL_H_
