// Runs the real capture engine over a WAV file's frames, as if a device
// delivered them in packets, and writes every chunk it emits.
#ifndef KESTRO_TOOLS_KESTRO_PCM_OFFLINE_CAPTURE_H_
#define KESTRO_TOOLS_KESTRO_PCM_OFFLINE_CAPTURE_H_

#include <cstdint>
#include <istream>
#include <string>

#include "loopback_capture.h"
#include "wav_reader.h"
#include "wav_writer.h"

namespace kestro::pcm {

struct OfflineCapture {
  bool ok = false;
  std::string error;  // the engine's own message, or why reading or writing failed
  std::uint64_t chunks = 0;
  std::uint64_t samples = 0;
};

// The fewest output bytes the file can give at this chunk length; 0 for a
// rate the engine refuses (it says so itself).
std::uint64_t LeastOutputBytes(const WavHeader& header, std::int32_t chunk_ms);

// Packets of `packet_frames` frames (the last one may be shorter); 0 means
// 10 ms of the file's rate. `file` is read from the data chunk on, as the
// engine asks for packets. `options` are the engine's own.
OfflineCapture RunCapture(std::istream& file, const WavHeader& header, std::int32_t chunk_ms,
                          std::uint32_t packet_frames, WavWriter& writer, CaptureOptions options = {});

}  // namespace kestro::pcm

#endif  // KESTRO_TOOLS_KESTRO_PCM_OFFLINE_CAPTURE_H_
