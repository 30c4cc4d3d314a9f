// Keeps exceptions from crossing back into the engine library, which calls
// us through plain C callbacks.
#ifndef KESTRO_CLIENT_CALLBACK_GUARD_H_
#define KESTRO_CLIENT_CALLBACK_GUARD_H_

namespace flutter::internal {

// Call only from inside a catch block: writes which callback let which
// exception escape.
void ReportEscapedException(const char* callback_name) noexcept;

template <typename Body>
void RunGuarded(const char* callback_name, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    ReportEscapedException(callback_name);
  }
}

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_CALLBACK_GUARD_H_
