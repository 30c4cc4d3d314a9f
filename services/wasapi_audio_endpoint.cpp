#include "wasapi_audio_endpoint.h"

// clang-format off
#include <windows.h>
#include <objbase.h>
#include <mmreg.h>
#include <mmdeviceapi.h>
#include <audioclient.h>
#include <avrt.h>
// clang-format on

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>

#include "kestro/platform/com_apartment.h"
#include "kestro/platform/com_ptr.h"
#include "kestro/platform/diagnostics.h"
#include "kestro/platform/unique_handle.h"
#include "kestro/platform/wide_text.h"
#include "wasapi_device_watcher.h"
#include "wasapi_process_loopback.h"

namespace kestro {
namespace {

constexpr GUID kClsidMMDeviceEnumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr GUID kIidIMMDeviceEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr GUID kIidIAudioClient = {0x1CB9AD4C, 0xDBFA, 0x4C32, {0xB1, 0x78, 0xC2, 0xF5, 0x68, 0xA7, 0x03, 0xB2}};
constexpr GUID kIidIAudioCaptureClient = {0xC8ADBD64, 0xE71E, 0x48A0, {0xA4, 0xDE, 0x18, 0x5C, 0x39, 0x5C, 0xD3, 0x17}};

// PKEY_Device_FriendlyName: "Speakers (High Definition Audio Device)".
constexpr PROPERTYKEY kDeviceFriendlyName = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

constexpr REFERENCE_TIME kBufferDuration = 1000000;  // 100 ms in 100-ns units
constexpr DWORD kLoopbackFlag = 0x20000;             // AUDCLNT_STREAMFLAGS_LOOPBACK
constexpr WORD kExtensibleExtraBytes = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
// Event-driven shared mode: the client signals each period; periodicity 0.
constexpr DWORD kProcessLoopbackFlags =
    kLoopbackFlag | AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM;

GUID ToGuid(const FormatGuid& format) {
  GUID guid;
  guid.Data1 = format.data1;
  guid.Data2 = format.data2;
  guid.Data3 = format.data3;
  std::memcpy(guid.Data4, format.data4.data(), sizeof guid.Data4);
  return guid;
}

WAVEFORMATEXTENSIBLE ToWaveFormat(const MixFormat& format) {
  WAVEFORMATEXTENSIBLE wave{};
  wave.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  wave.Format.nChannels = format.channels;
  wave.Format.nSamplesPerSec = format.samples_per_second;
  wave.Format.wBitsPerSample = format.bits_per_sample;
  wave.Format.nBlockAlign = static_cast<WORD>(format.channels * format.bits_per_sample / 8);
  wave.Format.nAvgBytesPerSec = format.samples_per_second * wave.Format.nBlockAlign;
  wave.Format.cbSize = kExtensibleExtraBytes;
  wave.Samples.wValidBitsPerSample = format.bits_per_sample;
  wave.dwChannelMask = format.channels == 2 ? (SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT) : 0;
  wave.SubFormat = ToGuid(format.subformat);
  return wave;
}

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

// The real build: GetVersionEx answers what the manifest declares.
std::optional<std::uint32_t> ReadOsBuild() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  const auto get_version =
      reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (get_version == nullptr) return std::nullopt;
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (get_version(&version) != 0) return std::nullopt;
  return static_cast<std::uint32_t>(version.dwBuildNumber);
}

FormatGuid ToFormatGuid(const GUID& guid) {
  FormatGuid result;
  result.data1 = guid.Data1;
  result.data2 = guid.Data2;
  result.data3 = guid.Data3;
  std::memcpy(result.data4.data(), guid.Data4, sizeof guid.Data4);
  return result;
}

using MmcssRegistration = UniqueHandle<HANDLE, CloseWith<AvRevertMmThreadCharacteristics>>;
using MixFormatMemory = UniqueHandle<WAVEFORMATEX*, CloseWith<CoTaskMemFree>>;
using DeviceIdText = UniqueHandle<LPWSTR, CloseWith<CoTaskMemFree>>;
using LoadedModule = UniqueHandle<HMODULE, CloseWith<FreeLibrary>>;
using EventHandle = UniqueHandle<HANDLE, CloseWith<CloseHandle>>;

// A property value, cleared when it goes.
class PropertyValue {
 public:
  PropertyValue() { PropVariantInit(&value_); }
  ~PropertyValue() { PropVariantClear(&value_); }
  PropertyValue(const PropertyValue&) = delete;
  PropertyValue& operator=(const PropertyValue&) = delete;

  PROPVARIANT* Put() { return &value_; }
  const wchar_t* Text() const { return value_.vt == VT_LPWSTR ? value_.pwszVal : nullptr; }

 private:
  PROPVARIANT value_;
};

// Members are declared in reverse teardown order; the destructor stops the
// client first.
class WasapiAudioEndpoint final : public AudioEndpoint {
 public:
  explicit WasapiAudioEndpoint(EndpointFlow flow) : flow_(flow) {}

  ~WasapiAudioEndpoint() override {
    if (started_) Succeeded("IAudioClient::Stop", audio_client_->Stop());
    if (watching_) {
      Succeeded("IMMDeviceEnumerator::UnregisterEndpointNotificationCallback",
                enumerator_->UnregisterEndpointNotificationCallback(watcher_.Get()));
    }
  }

  bool RegisterThread() override {
    DWORD task_index = 0;
    mmcss_.Reset(AvSetMmThreadCharacteristicsW(L"Audio", &task_index));
    if (!mmcss_) ReportFailure("AvSetMmThreadCharacteristicsW", GetLastError());
    return static_cast<bool>(mmcss_);
  }

  bool EnterApartment() override { return Succeeded("CoInitializeEx", apartment_.Enter(COINIT_MULTITHREADED)); }

  bool CreateEnumerator() override {
    return Succeeded("CoCreateInstance(MMDeviceEnumerator)",
                     CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL, kIidIMMDeviceEnumerator,
                                      enumerator_.PutVoid()));
  }

  bool GetDefaultDevice() override {
    if (!enumerator_) return false;
    return Succeeded("IMMDeviceEnumerator::GetDefaultAudioEndpoint",
                     enumerator_->GetDefaultAudioEndpoint(DataFlow(), eConsole, device_.Put()));
  }

  bool ActivateClient() override {
    if (!device_) return false;
    return Succeeded("IMMDevice::Activate",
                     device_->Activate(kIidIAudioClient, CLSCTX_ALL, nullptr, audio_client_.PutVoid()));
  }

  bool GetMixFormat(MixFormat& format) override {
    if (!audio_client_) return false;
    if (!Succeeded("IAudioClient::GetMixFormat", audio_client_->GetMixFormat(mix_format_.Put())) || !mix_format_) {
      return false;
    }
    const WAVEFORMATEX* raw = mix_format_.Get();
    format = MixFormat{};
    format.format_tag = raw->wFormatTag;
    format.channels = raw->nChannels;
    format.samples_per_second = raw->nSamplesPerSec;
    format.bits_per_sample = raw->wBitsPerSample;
    // The subformat exists only when the extension is really there.
    if (raw->wFormatTag == WAVE_FORMAT_EXTENSIBLE && raw->cbSize >= kExtensibleExtraBytes) {
      format.subformat = ToFormatGuid(reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(raw)->SubFormat);
    }
    return true;
  }

  void FreeMixFormat() override { mix_format_.Reset(); }

  bool Initialize() override {
    if (!audio_client_ || !mix_format_) return false;
    const DWORD stream_flags = flow_ == EndpointFlow::kRenderLoopback ? kLoopbackFlag : 0;
    const HRESULT result = audio_client_->Initialize(AUDCLNT_SHAREMODE_SHARED, stream_flags, kBufferDuration, 0,
                                                     mix_format_.Get(), nullptr);
    mix_format_.Reset();
    return Succeeded("IAudioClient::Initialize", result);
  }

  bool ActivateProcessLoopback(const char*& failed_call) override {
    mmdevapi_.Reset(LoadLibraryW(L"mmdevapi.dll"));
    ActivateAudioInterfaceAsyncFunction activate = nullptr;
    if (mmdevapi_) {
      activate = reinterpret_cast<ActivateAudioInterfaceAsyncFunction>(
          reinterpret_cast<void*>(GetProcAddress(mmdevapi_.Get(), "ActivateAudioInterfaceAsync")));
    }
    ComPtr<ActivationHandler> handler;
    // Held until the wait is over, whatever the platform does with it.
    ComPtr<IActivateAudioInterfaceAsyncOperation> operation;
    ActivationStarter start;
    if (activate != nullptr) {
      start = [&](ActivationCompletion complete) -> std::uint32_t {
        *handler.Put() = new ActivationHandler(std::move(complete));
        AudioClientActivationParams params;
        params.activation_type = AudioClientActivationType::kProcessLoopback;
        params.process_loopback.target_process_id = GetCurrentProcessId();
        params.process_loopback.mode = ProcessLoopbackMode::kExcludeTargetProcessTree;
        PROPVARIANT variant{};
        variant.vt = VT_BLOB;
        variant.blob.cbSize = sizeof params;
        variant.blob.pBlobData = reinterpret_cast<BYTE*>(&params);
        return static_cast<std::uint32_t>(
            activate(kProcessLoopbackDevice, kIidIAudioClient, &variant, handler.Get(), operation.Put()));
      };
    }
    const ActivationOutcome outcome = AwaitActivation(start);
    if (!outcome.activated) {
      failed_call = outcome.failed_call;
      last_failure_code_ = outcome.code;
      ReportFailure(outcome.failed_call, outcome.code);
      return false;
    }
    failed_call = "IUnknown::QueryInterface(IAudioClient)";
    const ComPtr<IUnknown> activated = handler->TakeInterface();
    return Succeeded(failed_call, activated->QueryInterface(kIidIAudioClient, audio_client_.PutVoid()));
  }

  bool InitializeProcessLoopback(const MixFormat& format) override {
    if (!audio_client_) return false;
    WAVEFORMATEXTENSIBLE wave = ToWaveFormat(format);
    if (!Succeeded("IAudioClient::Initialize",
                   audio_client_->Initialize(AUDCLNT_SHAREMODE_SHARED, kProcessLoopbackFlags, kBufferDuration, 0,
                                             &wave.Format, nullptr))) {
      return false;
    }
    packet_ready_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!packet_ready_) {
      last_failure_code_ = HRESULT_FROM_WIN32(GetLastError());
      ReportFailure("CreateEventW", *last_failure_code_);
      return false;
    }
    return Succeeded("IAudioClient::SetEventHandle", audio_client_->SetEventHandle(packet_ready_.Get()));
  }

  std::optional<std::uint32_t> OsBuild() override { return ReadOsBuild(); }

  // An event-driven client wakes the loop as a packet comes; the bound
  // keeps keep-alive and Stop as prompt as with polling.
  void WaitForPacket(Clock::duration duration) override {
    if (!packet_ready_) {
      AudioEndpoint::WaitForPacket(duration);
      return;
    }
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
    WaitForSingleObject(packet_ready_.Get(), static_cast<DWORD>(milliseconds < 1 ? 1 : milliseconds));
  }

  bool GetCaptureClient() override {
    if (!audio_client_) return false;
    return Succeeded("IAudioClient::GetService",
                     audio_client_->GetService(kIidIAudioCaptureClient, capture_client_.PutVoid()));
  }

  bool StartClient() override {
    if (!audio_client_) return false;
    started_ = Succeeded("IAudioClient::Start", audio_client_->Start());
    return started_;
  }

  bool GetNextPacketSize(std::uint32_t& frames) override {
    if (!capture_client_) return false;
    UINT32 size = 0;
    if (!Succeeded("IAudioCaptureClient::GetNextPacketSize", capture_client_->GetNextPacketSize(&size))) return false;
    frames = size;
    return true;
  }

  bool GetBuffer(AudioPacket& packet) override {
    if (!capture_client_) return false;
    BYTE* data = nullptr;
    UINT32 frames = 0;
    DWORD flags = 0;
    const HRESULT result = capture_client_->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
    if (!Succeeded("IAudioCaptureClient::GetBuffer", result)) return false;
    packet.data = data;
    packet.frames = frames;
    packet.flags = flags;
    return true;
  }

  bool ReleaseBuffer(std::uint32_t frames) override {
    if (!capture_client_) return false;
    return Succeeded("IAudioCaptureClient::ReleaseBuffer", capture_client_->ReleaseBuffer(frames));
  }

  std::optional<std::uint32_t> LastFailureCode() const override { return last_failure_code_; }

  bool WatchDevices() override {
    if (!enumerator_ || !device_ || watching_) return watching_;
    DeviceIdText id;
    if (!Succeeded("IMMDevice::GetId", device_->GetId(id.Put())) || !id) return false;
    *watcher_.Put() = new DeviceWatcher(id.Get(), DataFlow());
    watching_ = Succeeded("IMMDeviceEnumerator::RegisterEndpointNotificationCallback",
                          enumerator_->RegisterEndpointNotificationCallback(watcher_.Get()));
    // A default that changed while the stream was opened was announced to
    // nobody: the next poll re-opens on it.
    if (watching_ && !IsStillDefault(id.Get())) watcher_->NoteChange();
    return watching_;
  }

  bool IsStillDefault(const wchar_t* in_use) {
    ComPtr<IMMDevice> current;
    DeviceIdText id;
    // When the default cannot be read the next step says whether the
    // device in use still works.
    if (!Succeeded("IMMDeviceEnumerator::GetDefaultAudioEndpoint",
                   enumerator_->GetDefaultAudioEndpoint(DataFlow(), eConsole, current.Put())) ||
        !Succeeded("IMMDevice::GetId", current->GetId(id.Put())) || !id) {
      return true;
    }
    return std::wcscmp(id.Get(), in_use) == 0;
  }

  bool DevicesChanged() override { return watching_ && watcher_->TakeChange(); }

  std::string DeviceName() override {
    if (!device_) return {};
    ComPtr<IPropertyStore> properties;
    if (!Succeeded("IMMDevice::OpenPropertyStore", device_->OpenPropertyStore(STGM_READ, properties.Put()))) {
      return {};
    }
    PropertyValue name;
    if (!Succeeded("IPropertyStore::GetValue(FriendlyName)", properties->GetValue(kDeviceFriendlyName, name.Put()))) {
      return {};
    }
    return WideToUtf8(name.Text());
  }

 private:
  EDataFlow DataFlow() const { return flow_ == EndpointFlow::kRenderLoopback ? eRender : eCapture; }

  // The one place where a call's HRESULT becomes a step's result; S_FALSE
  // and the other success codes count as success. A failure leaves a line
  // naming the call and its code, as the step's own message does not, and
  // keeps the code for the capture's status.
  bool Succeeded(const char* call, HRESULT result) {
    if (SUCCEEDED(result)) {
      last_failure_code_.reset();
      return true;
    }
    last_failure_code_ = static_cast<std::uint32_t>(result);
    ReportFailure(call, *last_failure_code_);
    return false;
  }

  const EndpointFlow flow_;
  MmcssRegistration mmcss_;
  ComApartment apartment_;
  ComPtr<IMMDeviceEnumerator> enumerator_;
  ComPtr<DeviceWatcher> watcher_;
  bool watching_ = false;
  ComPtr<IMMDevice> device_;
  // Outlive the client that was activated through them and signals it.
  LoadedModule mmdevapi_;
  EventHandle packet_ready_;
  ComPtr<IAudioClient> audio_client_;
  ComPtr<IAudioCaptureClient> capture_client_;
  MixFormatMemory mix_format_;
  bool started_ = false;
  std::optional<std::uint32_t> last_failure_code_;
};

}  // namespace

std::unique_ptr<AudioEndpoint> CreateWasapiAudioEndpoint(EndpointFlow flow) {
  return std::make_unique<WasapiAudioEndpoint>(flow);
}

std::unique_ptr<AudioEndpoint> CreateSystemAudioEndpoint() {
  return CreateWasapiAudioEndpoint(EndpointFlow::kRenderLoopback);
}

}  // namespace kestro
