// The one value type that crosses the boundary between the host and the UI.
#ifndef FLUTTER_ENCODABLE_VALUE_H_
#define FLUTTER_ENCODABLE_VALUE_H_

#include <any>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace flutter {

class EncodableValue;

using ValueList = std::vector<EncodableValue>;
using ValueMap = std::map<EncodableValue, EncodableValue>;

// Type-erased holder of one copyable object of the caller's choice. Two
// holders order by their storage address, so equal contents in two holders
// are still two distinct map keys.
class CustomValue {
 public:
  template <typename T>
  explicit CustomValue(T value) : value_(std::move(value)) {}

  const std::any& value() const { return value_; }
  std::any& value() { return value_; }

  // The held object as T, or null when it holds another type.
  template <typename T>
  const T* TryGetAs() const {
    return std::any_cast<T>(&value_);
  }

  bool operator<(const CustomValue& other) const;

 private:
  std::any value_;
};

// Strict access to the wrong alternative raises this; what() is
// "bad variant access" on every standard library.
class BadVariantAccess : public std::bad_variant_access {
 public:
  const char* what() const noexcept override { return "bad variant access"; }
};

namespace internal {
using EncodableVariant = std::variant<std::monostate,        // 0 null
                                      bool,                  // 1
                                      int32_t,               // 2
                                      int64_t,               // 3
                                      double,                // 4
                                      std::string,           // 5
                                      std::vector<uint8_t>,  // 6 byte list
                                      std::vector<int32_t>,  // 7
                                      std::vector<int64_t>,  // 8
                                      std::vector<double>,   // 9
                                      ValueList,             // 10
                                      ValueMap,              // 11
                                      CustomValue,           // 12
                                      std::vector<float>>;   // 13 float list, after CustomValue
}  // namespace internal

// A tagged union of fourteen alternatives in a fixed order. Values own their
// payload and copy deeply; moving leaves the source holding its alternative
// with an emptied container.
class EncodableValue : public internal::EncodableVariant {
 public:
  enum Index : size_t {
    kNull = 0,
    kBool,
    kInt32,
    kInt64,
    kDouble,
    kString,
    kByteList,
    kInt32List,
    kInt64List,
    kDoubleList,
    kList,
    kMap,
    kCustom,
    kFloatList,
  };

  using internal::EncodableVariant::EncodableVariant;
  using internal::EncodableVariant::operator=;

  EncodableValue() = default;
  // A text literal is a string, never a bool; a null pointer is the empty
  // string rather than a crash.
  EncodableValue(const char* text) : internal::EncodableVariant(std::string(text ? text : "")) {}
  EncodableValue& operator=(const char* text) {
    internal::EncodableVariant::operator=(std::string(text ? text : ""));
    return *this;
  }

  bool IsNull() const { return index() == kNull; }

  // Strict access: throws BadVariantAccess when another alternative is held.
  template <typename T>
  const T& Get() const {
    if (const T* payload = std::get_if<T>(this)) return *payload;
    throw BadVariantAccess();
  }
  template <typename T>
  T& Get() {
    if (T* payload = std::get_if<T>(this)) return *payload;
    throw BadVariantAccess();
  }

  // Test-and-access: the payload, or null when another alternative is held.
  template <typename T>
  const T* TryGet() const {
    return std::get_if<T>(this);
  }
  template <typename T>
  T* TryGet() {
    return std::get_if<T>(this);
  }

  // The value of `key` (a string key) in a map value, or null when this is
  // not a map or has no such key.
  const EncodableValue* Find(const char* key) const;

  // The ordering of values: alternative index first, then the payload rule of
  // that alternative (see encodable_value.cpp).
  bool operator<(const EncodableValue& other) const;
};

}  // namespace flutter

#endif  // FLUTTER_ENCODABLE_VALUE_H_
