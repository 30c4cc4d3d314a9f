// An audio endpoint that plays a WAV file's data chunk as device packets,
// reading each packet from the file when the capture loop asks for it, so
// that memory stays the same whatever the file's length.
#ifndef KESTRO_TOOLS_KESTRO_PCM_WAV_FILE_ENDPOINT_H_
#define KESTRO_TOOLS_KESTRO_PCM_WAV_FILE_ENDPOINT_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <istream>
#include <mutex>

#include "audio_endpoint.h"
#include "wav_reader.h"

namespace kestro::pcm {

// Frames per packet: `requested`, or 10 ms of the file's rate when it is 0,
// at least one frame and at most what fits in 1 MiB, whatever the header
// declares.
std::uint32_t PacketFrames(std::uint32_t requested, const WavHeader& header);

// The device behind the endpoints: the file's frames are delivered once, in
// order. The file is read on the capture thread only; the source and the
// file must outlive every endpoint made from it.
class WavFileSource {
 public:
  WavFileSource(std::istream& file, const WavHeader& header, std::uint32_t packet_frames);

  // A factory for KestroLoopbackCapture.
  AudioEndpointFactory Factory();

  // Waits until every frame was delivered and released and the endpoint was
  // asked for more, which means every chunk they give has been emitted.
  bool WaitUntilDrained(std::chrono::milliseconds timeout);

  // Whether reading a packet from the file failed (the endpoint then
  // reports a failed GetBuffer, as a device would).
  bool ReadFailed() const;

 private:
  class Endpoint;

  std::istream& file_;
  const WavHeader header_;
  const std::uint32_t packet_frames_;
  std::uint32_t frames_delivered_ = 0;  // capture thread only
  mutable std::mutex mutex_;
  std::condition_variable drained_changed_;
  bool drained_ = false;
  bool read_failed_ = false;
};

}  // namespace kestro::pcm

#endif  // KESTRO_TOOLS_KESTRO_PCM_WAV_FILE_ENDPOINT_H_
