// The COM apartment a thread entered, left again by its owner. Windows only.
#ifndef KESTRO_PLATFORM_COM_APARTMENT_H_
#define KESTRO_PLATFORM_COM_APARTMENT_H_

#include <objbase.h>

#include <utility>

namespace kestro {

class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment() { Leave(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // Enters with `concurrency` (COINIT_*) and returns what CoInitializeEx
  // did; only a successful entry is left again.
  HRESULT Enter(DWORD concurrency) {
    Leave();
    const HRESULT result = CoInitializeEx(nullptr, concurrency);
    entered_ = SUCCEEDED(result);
    return result;
  }

 private:
  void Leave() {
    if (std::exchange(entered_, false)) CoUninitialize();
  }

  bool entered_ = false;
};

}  // namespace kestro

#endif  // KESTRO_PLATFORM_COM_APARTMENT_H_
