// Waiting for an asynchronous audio interface activation with a bound: the
// platform completes it on a thread of its own, possibly never, possibly
// after we gave up.
#ifndef KESTRO_SERVICES_PROCESS_LOOPBACK_ACTIVATION_H_
#define KESTRO_SERVICES_PROCESS_LOOPBACK_ACTIVATION_H_

#include <chrono>
#include <cstdint>
#include <functional>

namespace kestro {

inline constexpr std::chrono::milliseconds kActivationBound{3000};

// How an activation ended; `failed_call` names the step that failed and
// `code` its result (an HRESULT read as unsigned).
struct ActivationOutcome {
  bool activated = false;
  const char* failed_call = nullptr;
  std::uint32_t code = 0;
};

// Called by the platform with the activation's result; any thread, once
// counts, later calls and calls after the wait gave up are harmless.
using ActivationCompletion = std::function<void(std::uint32_t result)>;
// Starts the activation and returns the starting call's own result.
using ActivationStarter = std::function<std::uint32_t(ActivationCompletion complete)>;

// An empty starter stands for a platform without the activation function.
ActivationOutcome AwaitActivation(const ActivationStarter& start, std::chrono::milliseconds bound = kActivationBound);

}  // namespace kestro

#endif  // KESTRO_SERVICES_PROCESS_LOOPBACK_ACTIVATION_H_
