// Optional keys of a method call's argument map. A missing map, a missing
// key and a value of another kind all read as absent, so a UI that sends
// less, or something else, gets the defaults.
#ifndef KESTRO_SERVICES_METHOD_ARGUMENTS_H_
#define KESTRO_SERVICES_METHOD_ARGUMENTS_H_

#include "flutter/encodable_value.h"

namespace kestro {

// The value under `key` if it holds a T, else null.
template <typename T>
const T* ArgumentOfKind(const flutter::EncodableValue* arguments, const char* key) {
  const flutter::EncodableValue* value = arguments == nullptr ? nullptr : arguments->Find(key);
  return value == nullptr ? nullptr : value->TryGet<T>();
}

// True only for the bool true under `key`.
inline bool FlagArgument(const flutter::EncodableValue* arguments, const char* key) {
  const bool* flag = ArgumentOfKind<bool>(arguments, key);
  return flag != nullptr && *flag;
}

}  // namespace kestro

#endif  // KESTRO_SERVICES_METHOD_ARGUMENTS_H_
