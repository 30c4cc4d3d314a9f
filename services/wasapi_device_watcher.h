// The audio endpoint enumerator's notifications, reduced to one question
// for the capture thread: did the device to capture from change?
#ifndef KESTRO_SERVICES_WASAPI_DEVICE_WATCHER_H_
#define KESTRO_SERVICES_WASAPI_DEVICE_WATCHER_H_

// clang-format off
#include <windows.h>
#include <mmdeviceapi.h>
// clang-format on

#include <atomic>
#include <string>

namespace kestro {

// Notes a change of the default device of `flow` for the console role, and
// the device in use (`device_id`) being removed, leaving the active state
// or changing its format. The notifications come on a thread of the
// enumerator; the capture thread takes the change with TakeChange.
class DeviceWatcher final : public IMMNotificationClient {
 public:
  DeviceWatcher(std::wstring device_id, EDataFlow flow);

  // Whether a change came since the last call.
  bool TakeChange() { return changed_.exchange(false); }
  void NoteChange() { changed_.store(true); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR device_id, DWORD state) override;
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR device_id) override;
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR device_id) override;
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR device_id) override;
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR device_id, const PROPERTYKEY key) override;

 private:
  ~DeviceWatcher() = default;  // through Release only
  bool InUse(LPCWSTR device_id) const { return device_id != nullptr && device_id_ == device_id; }

  const std::wstring device_id_;
  const EDataFlow flow_;
  std::atomic<ULONG> references_{1};
  std::atomic<bool> changed_{false};
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_WASAPI_DEVICE_WATCHER_H_
