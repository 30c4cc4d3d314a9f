// Owner of one COM interface reference: released exactly once, by its owner.
#ifndef KESTRO_SERVICES_COM_PTR_H_
#define KESTRO_SERVICES_COM_PTR_H_

namespace kestro {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* Get() const { return pointer; }
  Interface* operator->() const { return pointer; }
  explicit operator bool() const { return pointer != nullptr; }

  // The slot for an out-parameter; any current reference is released first.
  Interface** Put() {
    Reset();
    return &pointer;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  void Reset() {
    if (pointer != nullptr) pointer->Release();
    pointer = nullptr;
  }

 private:
  Interface* pointer = nullptr;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_COM_PTR_H_
