// The one-shot answer to a method call.
#ifndef FLUTTER_METHOD_RESULT_H_
#define FLUTTER_METHOD_RESULT_H_

#include <string>

#include "flutter/encodable_value.h"

namespace flutter {

// Answered at most once, by any one of its three operations.
class MethodResult {
 public:
  MethodResult() = default;
  virtual ~MethodResult() = default;
  MethodResult(const MethodResult&) = delete;
  MethodResult& operator=(const MethodResult&) = delete;

  // Null means success without a value.
  virtual void Success(const EncodableValue* result) = 0;
  // Null details means none.
  virtual void Error(const std::string& error_code, const std::string& error_message,
                     const EncodableValue* error_details) = 0;
  virtual void NotImplemented() = 0;

  // Conveniences over the slots above.
  void Success() { Success(nullptr); }
  void Success(const EncodableValue& result) { Success(&result); }
  void Error(const std::string& error_code, const std::string& error_message = "") {
    Error(error_code, error_message, nullptr);
  }
  void Error(const std::string& error_code, const std::string& error_message, const EncodableValue& error_details) {
    Error(error_code, error_message, &error_details);
  }
};

}  // namespace flutter

#endif  // FLUTTER_METHOD_RESULT_H_
