// Any bytes as a WAV file for kestro-pcm: refused with a reason, or accepted
// with a format whose frames the sample data holds whole.
#include <cstdint>
#include <vector>

#include "fuzz_oracle.h"
#include "wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using flutter::fuzz::Check;
  const std::vector<uint8_t> file(data, data + size);
  const kestro::pcm::WavParse parse = kestro::pcm::ParseWav(file);
  if (!parse.ok) {
    Check(!parse.error.empty(), "refused without a reason");
    return 0;
  }
  const kestro::pcm::WavAudio& audio = parse.audio;
  Check(audio.format.channels != 0, "accepted a format without channels");
  Check(audio.block_align == audio.format.channels * ((audio.format.bits_per_sample + 7u) / 8u),
        "block align does not fit the channels and sample size");
  Check(audio.data.size() % audio.block_align == 0, "sample data holds a partial frame");
  Check(audio.data.size() <= size, "more sample data than the file holds");
  return 0;
}
