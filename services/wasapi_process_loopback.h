// Process loopback activation on Windows: the activation parameter types
// (which the MinGW-w64 headers lack, so they are declared here in their
// documented layout), and the completion handler of the asynchronous
// activation.
#ifndef KESTRO_SERVICES_WASAPI_PROCESS_LOOPBACK_H_
#define KESTRO_SERVICES_WASAPI_PROCESS_LOOPBACK_H_

// clang-format off
#include <windows.h>
#include <mmdeviceapi.h>
// clang-format on

#include <atomic>
#include <mutex>

#include "kestro/platform/com_ptr.h"
#include "process_loopback_activation.h"

namespace kestro {

enum class AudioClientActivationType : DWORD { kDefault = 0, kProcessLoopback = 1 };
enum class ProcessLoopbackMode : DWORD { kIncludeTargetProcessTree = 0, kExcludeTargetProcessTree = 1 };

struct AudioClientProcessLoopbackParams {
  DWORD target_process_id = 0;
  ProcessLoopbackMode mode = ProcessLoopbackMode::kIncludeTargetProcessTree;
};

// The activation parameters' union has this one member for process loopback.
struct AudioClientActivationParams {
  AudioClientActivationType activation_type = AudioClientActivationType::kDefault;
  AudioClientProcessLoopbackParams process_loopback;
};
static_assert(sizeof(AudioClientActivationParams) == 12, "the documented layout");

// The virtual device that process loopback is activated on.
inline constexpr wchar_t kProcessLoopbackDevice[] = L"VAD\\Process_Loopback";

// mmdevapi.dll's export, looked up at run time: absent before Windows 10.
using ActivateAudioInterfaceAsyncFunction = HRESULT(WINAPI*)(LPCWSTR device_interface_path, REFIID iid,
                                                             PROPVARIANT* activation_params,
                                                             IActivateAudioInterfaceCompletionHandler* handler,
                                                             IActivateAudioInterfaceAsyncOperation** operation);

// Agile (free-threaded marshalling is not needed: it keeps no apartment
// state), so the platform may complete it on any thread. It keeps the
// activated interface and then tells the waiting side.
class ActivationHandler final : public IActivateAudioInterfaceCompletionHandler, public IAgileObject {
 public:
  explicit ActivationHandler(ActivationCompletion complete) : complete_(std::move(complete)) {}

  // The activated interface once the completion said success.
  ComPtr<IUnknown> TakeInterface();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE ActivateCompleted(IActivateAudioInterfaceAsyncOperation* operation) override;

 private:
  ~ActivationHandler() = default;  // through Release only

  const ActivationCompletion complete_;
  std::atomic<ULONG> references_{1};
  std::mutex mutex_;
  ComPtr<IUnknown> activated_;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_WASAPI_PROCESS_LOOPBACK_H_
