// Render loopback for the Wine test bed, which Wine 8 does not implement
// (GetService(IAudioCaptureClient) fails on a render stream). The bed's
// default render device is a null sink, and its monitor, the default capture
// device, carries exactly what plays there. Registered in the bed's prefix
// (scripts/testbed/up.sh) as the in-process server of the device enumerator
// class, this DLL hands out Wine's enumerator with one change: the default
// render endpoint is the default capture endpoint. kestro.exe then runs its
// whole capture path unchanged, loopback flag included, and receives what
// plays. A process started with KESTRO_TESTBED_WINE_LOOPBACK=1 gets Wine's
// enumerator as it is, and so Wine's own refusal.
#include <windows.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace {

const CLSID kClsidMMDeviceEnumerator = {0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
const IID kIidIMMDeviceEnumerator = {0xa95664d2, 0x9614, 0x4f35, {0xa7, 0x46, 0xde, 0x8d, 0xb6, 0x36, 0x17, 0xe6}};

bool WantsWineLoopback() {
  wchar_t value[4] = {};
  const DWORD length = GetEnvironmentVariableW(L"KESTRO_TESTBED_WINE_LOOPBACK", value, 4);
  return length == 1 && value[0] == L'1';
}

using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// IUnknown of an object with one interface, freed by its last Release.
template <typename Interface>
class ComObject : public Interface {
 public:
  explicit ComObject(const IID& iid) : iid_(iid) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() = default;

 private:
  const IID iid_;
  std::atomic<ULONG> references_{1};
};

// The programs' notifications, as the render default is the capture
// default here: a new default capture endpoint is announced as a new
// default render endpoint, and Wine's own render default changes, which
// nothing handed out follows, are kept back.
class RenderFollowsCapture final : public ComObject<IMMNotificationClient> {
 public:
  explicit RenderFollowsCapture(IMMNotificationClient* client)
      : ComObject(__uuidof(IMMNotificationClient)), client_(client) {
    client_->AddRef();
  }

  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) override {
    return client_->OnDeviceStateChanged(id, state);
  }
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) override { return client_->OnDeviceAdded(id); }
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override { return client_->OnDeviceRemoved(id); }
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override {
    if (flow == eRender) return S_OK;
    if (flow == eCapture) flow = eRender;
    return client_->OnDefaultDeviceChanged(flow, role, id);
  }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key) override {
    return client_->OnPropertyValueChanged(id, key);
  }

  IMMNotificationClient* client() const { return client_; }

 private:
  ~RenderFollowsCapture() override { client_->Release(); }

  IMMNotificationClient* const client_;
};

class LoopbackEnumerator final : public ComObject<IMMDeviceEnumerator> {
 public:
  explicit LoopbackEnumerator(IMMDeviceEnumerator* wine) : ComObject(kIidIMMDeviceEnumerator), wine_(wine) {}

  HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD states, IMMDeviceCollection** out) override {
    return wine_->EnumAudioEndpoints(flow, states, out);
  }
  HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** out) override {
    return wine_->GetDefaultAudioEndpoint(flow == eRender ? eCapture : flow, role, out);
  }
  HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR id, IMMDevice** out) override { return wine_->GetDevice(id, out); }
  HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient* client) override {
    if (client == nullptr) return E_POINTER;
    auto* wrapper = new RenderFollowsCapture(client);
    const HRESULT result = wine_->RegisterEndpointNotificationCallback(wrapper);
    if (FAILED(result)) {
      wrapper->Release();
      return result;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    registered_.push_back(wrapper);
    return result;
  }
  HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient* client) override {
    RenderFollowsCapture* wrapper = Take(client);
    if (wrapper == nullptr) return E_INVALIDARG;
    const HRESULT result = wine_->UnregisterEndpointNotificationCallback(wrapper);
    wrapper->Release();
    return result;
  }

 private:
  ~LoopbackEnumerator() override {
    for (RenderFollowsCapture* wrapper : registered_) {
      wine_->UnregisterEndpointNotificationCallback(wrapper);
      wrapper->Release();
    }
    wine_->Release();
  }

  RenderFollowsCapture* Take(IMMNotificationClient* client) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = registered_.begin(); it != registered_.end(); ++it) {
      if ((*it)->client() == client) {
        RenderFollowsCapture* wrapper = *it;
        registered_.erase(it);
        return wrapper;
      }
    }
    return nullptr;
  }

  IMMDeviceEnumerator* const wine_;
  std::mutex mutex_;
  std::vector<RenderFollowsCapture*> registered_;
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // One static instance, never freed.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    const HMODULE mmdevapi = LoadLibraryW(L"mmdevapi.dll");
    if (mmdevapi == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    const auto get_class_object = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(mmdevapi, "DllGetClassObject")));
    if (get_class_object == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    IClassFactory* wine_factory = nullptr;
    HRESULT result =
        get_class_object(kClsidMMDeviceEnumerator, IID_IClassFactory, reinterpret_cast<void**>(&wine_factory));
    if (FAILED(result)) return result;
    IMMDeviceEnumerator* wine_enumerator = nullptr;
    result = wine_factory->CreateInstance(nullptr, kIidIMMDeviceEnumerator, reinterpret_cast<void**>(&wine_enumerator));
    wine_factory->Release();
    if (FAILED(result)) return result;
    if (WantsWineLoopback()) {
      result = wine_enumerator->QueryInterface(iid, out);
      wine_enumerator->Release();
      return result;
    }
    LoopbackEnumerator* enumerator = new LoopbackEnumerator(wine_enumerator);
    result = enumerator->QueryInterface(iid, out);
    enumerator->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kClsidMMDeviceEnumerator)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return S_FALSE;
}
