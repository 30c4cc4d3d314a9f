#include "wasapi_process_loopback.h"

#include <utility>

namespace kestro {
namespace {

constexpr GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidIAgileObject = {0x94EA2B94, 0xE9CC, 0x49E0, {0xC0, 0xFF, 0xEE, 0x64, 0xCA, 0x8F, 0x5B, 0x90}};
constexpr GUID kIidCompletionHandler = {0x41D949AB, 0x9862, 0x444A, {0x80, 0xF6, 0xC2, 0x61, 0x33, 0x4D, 0xA5, 0xEB}};

}  // namespace

ComPtr<IUnknown> ActivationHandler::TakeInterface() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::move(activated_);
}

HRESULT STDMETHODCALLTYPE ActivationHandler::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, kIidIUnknown) || IsEqualIID(iid, kIidCompletionHandler)) {
    *object = static_cast<IActivateAudioInterfaceCompletionHandler*>(this);
  } else if (IsEqualIID(iid, kIidIAgileObject)) {
    *object = static_cast<IAgileObject*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE ActivationHandler::AddRef() {
  return ++references_;
}

ULONG STDMETHODCALLTYPE ActivationHandler::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE ActivationHandler::ActivateCompleted(IActivateAudioInterfaceAsyncOperation* operation) {
  HRESULT result = E_POINTER;
  if (operation != nullptr) {
    HRESULT activation = E_FAIL;
    ComPtr<IUnknown> activated;
    result = operation->GetActivateResult(&activation, activated.Put());
    if (SUCCEEDED(result)) result = activation;
    if (SUCCEEDED(result) && !activated) result = E_NOINTERFACE;
    if (SUCCEEDED(result)) {
      std::lock_guard<std::mutex> lock(mutex_);
      activated_ = std::move(activated);
    }
  }
  try {
    complete_(static_cast<std::uint32_t>(result));
  } catch (...) {
    // Nothing may cross back into the platform's thread.
  }
  return S_OK;
}

}  // namespace kestro
