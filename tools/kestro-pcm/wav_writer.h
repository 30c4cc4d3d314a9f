// Writing 16000 Hz mono signed 16-bit WAV files as the samples arrive.
#ifndef KESTRO_TOOLS_KESTRO_PCM_WAV_WRITER_H_
#define KESTRO_TOOLS_KESTRO_PCM_WAV_WRITER_H_

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace kestro::pcm {

class WavWriter {
 public:
  // The most sample bytes one file can hold: its sizes are 32-bit.
  static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

  // Opens `path` and writes a header to be completed by Finish.
  explicit WavWriter(std::string path);

  // Appends little-endian sample bytes. False when the file cannot take
  // them: a write failure, or a size beyond what a WAV header can hold.
  bool Append(const std::vector<std::uint8_t>& bytes);

  // Completes the header; false on a write failure.
  bool Finish();

  // Removes the unfinished file.
  void Discard();

  bool ok() const { return stream.good(); }
  const std::string& path() const { return file_path; }

 private:
  std::string file_path;
  std::ofstream stream;
  std::uint64_t data_bytes = 0;
};

}  // namespace kestro::pcm

#endif  // KESTRO_TOOLS_KESTRO_PCM_WAV_WRITER_H_
