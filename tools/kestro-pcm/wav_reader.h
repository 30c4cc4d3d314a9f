// Reading the layout of RIFF/WAVE files: the device-like mix format and
// where the sample data lies, without reading the samples.
#ifndef KESTRO_TOOLS_KESTRO_PCM_WAV_READER_H_
#define KESTRO_TOOLS_KESTRO_PCM_WAV_READER_H_

#include <cstdint>
#include <istream>
#include <string>

#include "audio_endpoint.h"

namespace kestro::pcm {

struct WavHeader {
  MixFormat format;
  std::uint16_t block_align = 0;  // bytes per frame, at least 1
  std::uint64_t data_offset = 0;  // of the data chunk's body, from the file's start
  std::uint32_t data_bytes = 0;   // whole frames only

  std::uint32_t frames() const { return data_bytes / block_align; }
};

struct WavParse {
  bool ok = false;
  std::string error;  // why the file was refused, when !ok
  WavHeader header;
};

// Walks the file's chunks, reading only chunk headers and the fmt chunk, so
// that what it holds in memory does not depend on the file. Accepts PCM,
// IEEE float and WAVE_FORMAT_EXTENSIBLE with one of those subformats, of any
// rate, channel count and bit depth; whether the capture pipeline takes
// them is for it to say. Every size field is checked against the bytes
// actually there.
WavParse ParseWavHeader(std::istream& file);

}  // namespace kestro::pcm

#endif  // KESTRO_TOOLS_KESTRO_PCM_WAV_READER_H_
