// An endpoint for a device that is simply there: every set-up step
// succeeds and the mix format is the one given. Subclasses deliver the
// packets; the offline tool and the test devices build on it.
#ifndef KESTRO_SERVICES_TESTING_PRESENT_AUDIO_ENDPOINT_H_
#define KESTRO_SERVICES_TESTING_PRESENT_AUDIO_ENDPOINT_H_

#include <cstdint>

#include "audio_endpoint.h"

namespace kestro {

class PresentAudioEndpoint : public AudioEndpoint {
 public:
  explicit PresentAudioEndpoint(const MixFormat& format) : format_(format) {}

  bool RegisterThread() override { return true; }
  bool EnterApartment() override { return true; }
  bool CreateEnumerator() override { return true; }
  bool GetDefaultDevice() override { return true; }
  bool ActivateClient() override { return true; }
  bool GetMixFormat(MixFormat& format) override {
    format = format_;
    return true;
  }
  void FreeMixFormat() override {}
  bool Initialize() override { return true; }
  bool GetCaptureClient() override { return true; }
  bool StartClient() override { return true; }
  bool ReleaseBuffer(std::uint32_t) override { return true; }

 private:
  const MixFormat format_;
};

}  // namespace kestro

#endif  // KESTRO_SERVICES_TESTING_PRESENT_AUDIO_ENDPOINT_H_
