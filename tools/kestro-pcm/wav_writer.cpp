#include "wav_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace kestro::pcm {
namespace {

constexpr std::uint32_t kHeaderBytes = 44;
static_assert(WavWriter::kMaxDataBytes == 0xFFFFFFFFull - (kHeaderBytes - 8));

void PutU16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value & 0xFF);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* out, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) out[k] = static_cast<std::uint8_t>((value >> (8 * k)) & 0xFF);
}

std::array<std::uint8_t, kHeaderBytes> Header(std::uint32_t data_bytes) {
  std::array<std::uint8_t, kHeaderBytes> header{};
  std::uint8_t* out = header.data();
  std::copy_n("RIFF", 4, out);
  PutU32(out + 4, kHeaderBytes - 8 + data_bytes);
  std::copy_n("WAVEfmt ", 8, out + 8);
  PutU32(out + 16, 16);
  PutU16(out + 20, 1);      // PCM
  PutU16(out + 22, 1);      // mono
  PutU32(out + 24, 16000);  // frames per second
  PutU32(out + 28, 32000);  // bytes per second
  PutU16(out + 32, 2);      // bytes per frame
  PutU16(out + 34, 16);     // bits per sample
  std::copy_n("data", 4, out + 36);
  PutU32(out + 40, data_bytes);
  return header;
}

bool Write(std::ofstream& stream, const std::uint8_t* bytes, std::size_t size) {
  stream.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  return stream.good();
}

}  // namespace

WavWriter::WavWriter(std::string path)
    : file_path(std::move(path)), stream(file_path, std::ios::binary | std::ios::trunc) {
  const auto header = Header(0);
  if (stream) Write(stream, header.data(), header.size());
}

bool WavWriter::Append(const std::vector<std::uint8_t>& bytes) {
  if (data_bytes + bytes.size() > kMaxDataBytes) return false;
  data_bytes += bytes.size();
  return Write(stream, bytes.data(), bytes.size());
}

bool WavWriter::Finish() {
  const auto header = Header(static_cast<std::uint32_t>(data_bytes));
  stream.seekp(0);
  if (!Write(stream, header.data(), header.size())) return false;
  stream.close();
  return !stream.fail();
}

void WavWriter::Discard() {
  stream.close();
  std::remove(file_path.c_str());
}

}  // namespace kestro::pcm
