// Owner of one COM interface reference: released exactly once, by its owner.
#ifndef KESTRO_PLATFORM_COM_PTR_H_
#define KESTRO_PLATFORM_COM_PTR_H_

#include <utility>

namespace kestro {

// Works with any type that has Release(), so it is tested natively.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Interface* taken = std::exchange(other.pointer_, nullptr);
      Reset();
      pointer_ = taken;
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // The slot for an out-parameter; any current reference is released first.
  Interface** Put() {
    Reset();
    return &pointer_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  void Reset() {
    if (Interface* released = std::exchange(pointer_, nullptr)) released->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace kestro

#endif  // KESTRO_PLATFORM_COM_PTR_H_
