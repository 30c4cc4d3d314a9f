#include "wasapi_device_watcher.h"

#include <cstring>
#include <utility>

namespace kestro {
namespace {

constexpr GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidIMMNotificationClient = {
    0x7991EEC9, 0x7E89, 0x4D85, {0x83, 0x90, 0x6C, 0x70, 0x3C, 0xEC, 0x60, 0xC0}};
// PKEY_AudioEngine_DeviceFormat: the shared-mode format changed.
constexpr PROPERTYKEY kDeviceFormat = {{0xF19F064D, 0x082C, 0x4E27, {0xBC, 0x73, 0x68, 0x82, 0xA1, 0xBB, 0x8E, 0x4C}},
                                       0};

bool SameKey(const PROPERTYKEY& left, const PROPERTYKEY& right) {
  return left.pid == right.pid && std::memcmp(&left.fmtid, &right.fmtid, sizeof left.fmtid) == 0;
}

}  // namespace

DeviceWatcher::DeviceWatcher(std::wstring device_id, EDataFlow flow) : device_id_(std::move(device_id)), flow_(flow) {}

HRESULT STDMETHODCALLTYPE DeviceWatcher::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, kIidIUnknown) || IsEqualIID(iid, kIidIMMNotificationClient)) {
    *object = static_cast<IMMNotificationClient*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DeviceWatcher::AddRef() {
  return ++references_;
}

ULONG STDMETHODCALLTYPE DeviceWatcher::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE DeviceWatcher::OnDeviceStateChanged(LPCWSTR device_id, DWORD state) {
  if (InUse(device_id) && state != DEVICE_STATE_ACTIVE) changed_.store(true);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DeviceWatcher::OnDeviceAdded(LPCWSTR) {
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DeviceWatcher::OnDeviceRemoved(LPCWSTR device_id) {
  if (InUse(device_id)) changed_.store(true);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DeviceWatcher::OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR) {
  if (flow == flow_ && role == eConsole) changed_.store(true);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DeviceWatcher::OnPropertyValueChanged(LPCWSTR device_id, const PROPERTYKEY key) {
  if (InUse(device_id) && SameKey(key, kDeviceFormat)) changed_.store(true);
  return S_OK;
}

}  // namespace kestro
