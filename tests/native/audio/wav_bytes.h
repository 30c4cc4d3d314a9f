// Builds WAV files in memory for the kestro-pcm tests.
#ifndef KESTRO_TESTS_NATIVE_AUDIO_WAV_BYTES_H_
#define KESTRO_TESTS_NATIVE_AUDIO_WAV_BYTES_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio_endpoint.h"

namespace kestro::testing {

inline void PutLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<std::uint8_t>((value >> (8 * k)) & 0xFF));
}

inline void PutChunk(std::vector<std::uint8_t>& out, const char* id, const std::vector<std::uint8_t>& body) {
  out.insert(out.end(), id, id + 4);
  PutLe(out, body.size(), 4);
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2 != 0) out.push_back(0);
}

// A fmt chunk body; extensible when `subformat` is given.
inline std::vector<std::uint8_t> FmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                         std::uint16_t bits, const FormatGuid* subformat = nullptr) {
  std::vector<std::uint8_t> body;
  const std::uint16_t align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
  PutLe(body, subformat ? kWaveFormatExtensible : tag, 2);
  PutLe(body, channels, 2);
  PutLe(body, rate, 4);
  PutLe(body, static_cast<std::uint64_t>(rate) * align, 4);
  PutLe(body, align, 2);
  PutLe(body, bits, 2);
  if (subformat) {
    PutLe(body, 22, 2);
    PutLe(body, bits, 2);
    PutLe(body, 0, 4);
    PutLe(body, subformat->data1, 4);
    PutLe(body, subformat->data2, 2);
    PutLe(body, subformat->data3, 2);
    body.insert(body.end(), subformat->data4.begin(), subformat->data4.end());
  }
  return body;
}

inline std::vector<std::uint8_t> Riff(const std::vector<std::uint8_t>& chunks) {
  std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
  PutLe(file, chunks.size() + 4, 4);
  file.insert(file.end(), {'W', 'A', 'V', 'E'});
  file.insert(file.end(), chunks.begin(), chunks.end());
  return file;
}

inline std::vector<std::uint8_t> Wav(const std::vector<std::uint8_t>& fmt_body, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> chunks;
  PutChunk(chunks, "fmt ", fmt_body);
  PutChunk(chunks, "data", data);
  return Riff(chunks);
}

template <typename Sample>
std::vector<std::uint8_t> SampleBytes(const std::vector<Sample>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * sizeof(Sample));
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_AUDIO_WAV_BYTES_H_
