// Sole ownership of a platform handle whose close function is part of the
// type, so that every handle is released by its owner's lifetime.
#ifndef KESTRO_SERVICES_UNIQUE_HANDLE_H_
#define KESTRO_SERVICES_UNIQUE_HANDLE_H_

#include <utility>

namespace kestro {

// Handle{} (null) means "no handle".
template <typename Handle, auto Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle(handle) {}
  ~UniqueHandle() { Reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle(std::exchange(other.handle, Handle{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle, Handle{}));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle; }
  explicit operator bool() const { return handle != Handle{}; }

  void Reset(Handle replacement = Handle{}) {
    if (handle != Handle{}) Close(handle);
    handle = replacement;
  }

 private:
  Handle handle{};
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_UNIQUE_HANDLE_H_
