// Any bytes as a WAV file for kestro-pcm: refused with a reason, or accepted
// with a format whose frames the file's sample data holds whole.
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_oracle.h"
#include "wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using flutter::fuzz::Check;
  std::istringstream file(std::string(reinterpret_cast<const char*>(data), size));
  const kestro::pcm::WavParse parse = kestro::pcm::ParseWavHeader(file);
  if (!parse.ok) {
    Check(!parse.error.empty(), "refused without a reason");
    return 0;
  }
  const kestro::pcm::WavHeader& header = parse.header;
  Check(header.format.channels != 0, "accepted a format without channels");
  Check(header.block_align == header.format.channels * ((header.format.bits_per_sample + 7u) / 8u),
        "block align does not fit the channels and sample size");
  Check(header.data_bytes % header.block_align == 0, "sample data holds a partial frame");
  Check(header.data_offset + header.data_bytes <= size, "more sample data than the file holds");
  return 0;
}
