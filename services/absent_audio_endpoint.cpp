// Systems without the Windows audio session API have no device to capture:
// every step fails, so capture ends at its first device step.
#include "audio_endpoint.h"

namespace kestro {
namespace {

class AbsentAudioEndpoint final : public AudioEndpoint {
 public:
  bool RegisterThread() override { return false; }
  bool EnterApartment() override { return false; }
  bool CreateEnumerator() override { return false; }
  bool GetDefaultDevice() override { return false; }
  bool ActivateClient() override { return false; }
  bool GetMixFormat(MixFormat&) override { return false; }
  void FreeMixFormat() override {}
  bool Initialize() override { return false; }
  bool GetCaptureClient() override { return false; }
  bool StartClient() override { return false; }
  bool GetNextPacketSize(std::uint32_t&) override { return false; }
  bool GetBuffer(AudioPacket&) override { return false; }
  bool ReleaseBuffer(std::uint32_t) override { return false; }
};

}  // namespace

std::unique_ptr<AudioEndpoint> CreateSystemAudioEndpoint() {
  return std::make_unique<AbsentAudioEndpoint>();
}

}  // namespace kestro
