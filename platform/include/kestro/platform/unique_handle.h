// Sole ownership of a platform handle whose close function is part of the
// type, so that every handle is released by its owner's lifetime.
#ifndef KESTRO_PLATFORM_UNIQUE_HANDLE_H_
#define KESTRO_PLATFORM_UNIQUE_HANDLE_H_

#include <utility>

namespace kestro {

// Closes through a plain function: UniqueHandle<HMODULE, CloseWith<FreeLibrary>>.
template <auto Function>
struct CloseWith {
  template <typename Handle>
  void operator()(Handle handle) const {
    Function(handle);
  }
};

// The invalid value of handles for which null means "no handle".
template <typename Handle>
struct NullHandleValue {
  static constexpr Handle Get() { return Handle{}; }
};

// `Close` is called with the handle once, when it is replaced or its owner
// goes; it may carry state (the object that frees it). `Invalid::Get()` is
// the value that means "no handle", never closed.
template <typename Handle, typename Close, typename Invalid = NullHandleValue<Handle>>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle, Close close = Close{}) : handle_(handle), close_(std::move(close)) {}
  ~UniqueHandle() { Reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()), close_(std::move(other.close_)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset(other.Release());
      close_ = std::move(other.close_);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid::Get(); }

  // Closes the current handle, if any, then owns `replacement`.
  void Reset(Handle replacement = Invalid::Get()) {
    const Handle old = std::exchange(handle_, replacement);
    if (old != Invalid::Get()) close_(old);
  }

  // Gives the handle up without closing it.
  [[nodiscard]] Handle Release() { return std::exchange(handle_, Invalid::Get()); }

  // The slot for an out-parameter; the current handle is closed first.
  Handle* Put() {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Invalid::Get();
  Close close_{};
};

}  // namespace kestro

#endif  // KESTRO_PLATFORM_UNIQUE_HANDLE_H_
