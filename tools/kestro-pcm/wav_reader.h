// Reading RIFF/WAVE files into a device-like mix format and sample data.
#ifndef KESTRO_TOOLS_KESTRO_PCM_WAV_READER_H_
#define KESTRO_TOOLS_KESTRO_PCM_WAV_READER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "audio_endpoint.h"

namespace kestro::pcm {

struct WavAudio {
  MixFormat format;
  std::uint16_t block_align = 0;  // bytes per frame
  std::vector<std::uint8_t> data;  // whole frames only
};

struct WavParse {
  bool ok = false;
  std::string error;  // why the file was refused, when !ok
  WavAudio audio;
};

// Accepts PCM, IEEE float and WAVE_FORMAT_EXTENSIBLE with one of those
// subformats, of any rate, channel count and bit depth; whether the capture
// pipeline takes that depth is for it to say. Every size field is checked
// against the bytes actually there.
WavParse ParseWav(const std::vector<std::uint8_t>& file);

}  // namespace kestro::pcm

#endif  // KESTRO_TOOLS_KESTRO_PCM_WAV_READER_H_
