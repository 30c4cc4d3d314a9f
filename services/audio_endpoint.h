// The audio endpoint seam: the platform operations the loopback capture loop
// needs, one per step, each reporting success or failure so that the loop
// alone decides which failure message is reported.
#ifndef KESTRO_SERVICES_AUDIO_ENDPOINT_H_
#define KESTRO_SERVICES_AUDIO_ENDPOINT_H_

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "kestro/platform/diagnostics.h"
#include "platform_failure_log.h"

namespace kestro {

// A format subtype identifier in its in-memory layout, so that the
// Windows GUIDs can be copied in and compared without Windows headers.
struct FormatGuid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  bool operator==(const FormatGuid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 && data4 == other.data4;
  }
};

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::uint16_t kWaveFormatIeeeFloat = 3;
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;
inline constexpr FormatGuid kSubtypePcm{0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr FormatGuid kSubtypeIeeeFloat{
    0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The fields of the device's mix format that capture relies on.
struct MixFormat {
  std::uint16_t format_tag = 0;
  std::uint16_t channels = 0;
  std::uint32_t samples_per_second = 0;
  std::uint16_t bits_per_sample = 0;  // the container size, not the valid bits
  // Meaningful for the extensible tag only; all zero when the format has none.
  FormatGuid subformat;
};

// The format a process-loopback client is initialised with: such a client
// has no mix format of its own, so capture converts from exactly this.
inline constexpr MixFormat kProcessLoopbackFormat{kWaveFormatExtensible, 2, 48000, 32, kSubtypeIeeeFloat};

inline constexpr std::uint32_t kBufferFlagDiscontinuity = 1;
inline constexpr std::uint32_t kBufferFlagSilent = 2;
inline constexpr std::uint32_t kBufferFlagTimestampError = 4;

// One packet taken from the device: interleaved frames in the mix format.
// The data stays valid until the packet is released.
struct AudioPacket {
  const std::uint8_t* data = nullptr;
  std::uint32_t frames = 0;
  std::uint32_t flags = 0;
};

// One capture session's platform side, created and used on the capture
// thread only. Destroying it tears down whatever the steps obtained, in
// this order: stop the client if it was started, release the capture
// client, the audio client, the device and the enumerator, leave the COM
// apartment if it was entered, unregister the thread from the scheduler.
class AudioEndpoint {
 public:
  virtual ~AudioEndpoint() = default;

  // Registers the thread under the "Audio" task; failure is not an error.
  virtual bool RegisterThread() = 0;
  // Enters a multithreaded COM apartment; failure is not an error.
  virtual bool EnterApartment() = 0;
  virtual bool CreateEnumerator() = 0;
  virtual bool GetDefaultDevice() = 0;
  virtual bool ActivateClient() = 0;
  // Reads the mix format; the endpoint keeps it until Initialize or
  // FreeMixFormat.
  virtual bool GetMixFormat(MixFormat& format) = 0;
  virtual void FreeMixFormat() = 0;
  // Initialises the client in shared mode with the mix format and a 100 ms
  // buffer, then frees the mix format whatever the result.
  virtual bool Initialize() = 0;
  // Instead of the device steps (enumerator to mix format): activates a
  // client on the whole system mix except this process tree's own sound.
  // On failure `failed_call` names the step and LastFailureCode gives its
  // result. Systems without it fail at once.
  virtual bool ActivateProcessLoopback(const char*& failed_call) {
    failed_call = "GetProcAddress(ActivateAudioInterfaceAsync)";
    return false;
  }
  // Initialises that client, event-driven, with `format`.
  virtual bool InitializeProcessLoopback(const MixFormat& /*format*/) { return false; }
  virtual bool GetCaptureClient() = 0;
  virtual bool StartClient() = 0;
  virtual bool GetNextPacketSize(std::uint32_t& frames) = 0;
  virtual bool GetBuffer(AudioPacket& packet) = 0;
  virtual bool ReleaseBuffer(std::uint32_t frames) = 0;

  // The platform result code of the last step that failed, when the
  // platform gave one.
  virtual std::optional<std::uint32_t> LastFailureCode() const { return std::nullopt; }
  // The operating system's build number, when it can be read.
  virtual std::optional<std::uint32_t> OsBuild() { return std::nullopt; }
  // The device's name for people, once GetDefaultDevice has succeeded;
  // empty when it has none or it cannot be read.
  virtual std::string DeviceName() { return {}; }

  // Starts watching for a change of the default output device and for the
  // loss of the device in use (removed, disabled, its format changed);
  // false when it cannot.
  virtual bool WatchDevices() { return false; }
  // Whether such a change happened since the last call. Any thread may
  // notice it; the capture thread asks.
  virtual bool DevicesChanged() { return false; }

  // The capture loop's clock and its wait while no packet is there: the
  // device's own time, so that a recorded device can simulate it.
  using Clock = std::chrono::steady_clock;
  virtual Clock::time_point Now() { return Clock::now(); }
  virtual void WaitForPacket(Clock::duration duration) { std::this_thread::sleep_for(duration); }

  // Where the endpoint's failing platform calls are written; by default
  // straight to the diagnostics. The log outlives the endpoint.
  void ReportFailuresTo(PlatformFailureLog* log) { failure_log_ = log; }

 protected:
  void ReportFailure(std::string_view call, std::uint32_t code) noexcept {
    if (failure_log_ != nullptr) {
      failure_log_->Report(call, code);
    } else {
      ReportPlatformFailure(call, code);
    }
  }

 private:
  PlatformFailureLog* failure_log_ = nullptr;
};

using AudioEndpointFactory = std::function<std::unique_ptr<AudioEndpoint>()>;

// The endpoint the product captures from: loopback of the default render
// device on Windows, no device at all on other systems.
std::unique_ptr<AudioEndpoint> CreateSystemAudioEndpoint();

}  // namespace kestro

#endif  // KESTRO_SERVICES_AUDIO_ENDPOINT_H_
