#include "process_loopback_activation.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace kestro {
namespace {

constexpr std::uint32_t kProcedureNotFound = 0x8007007F;  // HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)
constexpr std::uint32_t kTimeout = 0x800705B4;            // HRESULT_FROM_WIN32(ERROR_TIMEOUT)

bool IsFailure(std::uint32_t result) {
  return (result & 0x80000000u) != 0;
}

// Shared with the completion, which may outlive the wait.
struct Completion {
  std::mutex mutex;
  std::condition_variable done;
  std::optional<std::uint32_t> result;
};

}  // namespace

ActivationOutcome AwaitActivation(const ActivationStarter& start, std::chrono::milliseconds bound) {
  if (!start) return {false, "GetProcAddress(ActivateAudioInterfaceAsync)", kProcedureNotFound};
  auto completion = std::make_shared<Completion>();
  const std::uint32_t started = start([completion](std::uint32_t result) {
    {
      std::lock_guard<std::mutex> lock(completion->mutex);
      if (completion->result) return;
      completion->result = result;
    }
    completion->done.notify_all();
  });
  if (IsFailure(started)) return {false, "ActivateAudioInterfaceAsync", started};
  std::unique_lock<std::mutex> lock(completion->mutex);
  if (!completion->done.wait_for(lock, bound, [&] { return completion->result.has_value(); })) {
    return {false, "ActivateAudioInterfaceAsync (completion wait)", kTimeout};
  }
  // The call can return S_OK and the activation still fail, as it does on
  // systems without process loopback.
  if (IsFailure(*completion->result)) {
    return {false, "IActivateAudioInterfaceAsyncOperation::GetActivateResult", *completion->result};
  }
  return {true, nullptr, 0};
}

}  // namespace kestro
