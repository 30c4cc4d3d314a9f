#include "wav_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace kestro::pcm {
namespace {

constexpr std::size_t kRiffHeaderBytes = 12;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kPlainFormatBytes = 16;
constexpr std::uint32_t kExtensibleFormatBytes = 40;

std::uint16_t ReadU16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

bool HasId(const std::uint8_t* bytes, const char* id) {
  return std::memcmp(bytes, id, 4) == 0;
}

std::string ChunkName(const std::uint8_t* id) {
  std::string name;
  for (int k = 0; k < 4; ++k) {
    const char c = static_cast<char>(id[k]);
    name += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return name;
}

WavParse Refuse(std::string error) {
  WavParse result;
  result.error = std::move(error);
  return result;
}

FormatGuid ReadGuid(const std::uint8_t* bytes) {
  FormatGuid guid;
  guid.data1 = ReadU32(bytes);
  guid.data2 = ReadU16(bytes + 4);
  guid.data3 = ReadU16(bytes + 6);
  std::memcpy(guid.data4.data(), bytes + 8, guid.data4.size());
  return guid;
}

// Reads the fmt chunk; returns an error text, empty when it is usable.
std::string ReadFormat(const std::uint8_t* body, std::uint32_t size, WavHeader& header) {
  if (size < kPlainFormatBytes) {
    return "the fmt chunk holds " + std::to_string(size) + " bytes, fewer than 16";
  }
  MixFormat& format = header.format;
  format.format_tag = ReadU16(body);
  format.channels = ReadU16(body + 2);
  format.samples_per_second = ReadU32(body + 4);
  header.block_align = ReadU16(body + 12);
  format.bits_per_sample = ReadU16(body + 14);
  if (format.format_tag == kWaveFormatExtensible) {
    if (size < kExtensibleFormatBytes || ReadU16(body + 16) < 22) {
      return "the WAVE_FORMAT_EXTENSIBLE fmt chunk is too short for its subformat";
    }
    format.subformat = ReadGuid(body + 24);
    if (!(format.subformat == kSubtypePcm) && !(format.subformat == kSubtypeIeeeFloat)) {
      return "unsupported WAVE_FORMAT_EXTENSIBLE subformat (only PCM and IEEE float)";
    }
  } else if (format.format_tag != kWaveFormatPcm && format.format_tag != kWaveFormatIeeeFloat) {
    char tag[8];
    std::snprintf(tag, sizeof tag, "0x%04X", format.format_tag);
    return std::string("unsupported format tag ") + tag + " (only PCM, IEEE float and WAVE_FORMAT_EXTENSIBLE)";
  }
  if (format.channels == 0) return "the format has no channels";
  const std::uint32_t frame_bytes = format.channels * ((format.bits_per_sample + 7u) / 8u);
  if (frame_bytes == 0 || header.block_align != frame_bytes) {
    return "block align " + std::to_string(header.block_align) + " does not fit " + std::to_string(format.channels) +
           " channels of " + std::to_string(format.bits_per_sample) + " bits";
  }
  return {};
}

// Reads `size` bytes at `offset`; false when they are not all there.
bool ReadAt(std::istream& file, std::uint64_t offset, std::uint8_t* out, std::size_t size) {
  file.clear();
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
  return file.gcount() == static_cast<std::streamsize>(size);
}

std::optional<std::uint64_t> FileSize(std::istream& file) {
  file.clear();
  file.seekg(0, std::ios::end);
  const std::streamoff end = file.tellg();
  if (!file || end < 0) return std::nullopt;
  return static_cast<std::uint64_t>(end);
}

}  // namespace

WavParse ParseWavHeader(std::istream& file) {
  const std::optional<std::uint64_t> file_size = FileSize(file);
  if (!file_size) return Refuse("cannot seek in the file (a pipe?); a regular file is needed");
  std::uint8_t riff[kRiffHeaderBytes];
  if (*file_size < kRiffHeaderBytes || !ReadAt(file, 0, riff, kRiffHeaderBytes) || !HasId(riff, "RIFF") ||
      !HasId(riff + 8, "WAVE")) {
    return Refuse("not a RIFF/WAVE file");
  }
  WavParse result;
  std::optional<std::uint64_t> data_offset;
  bool have_format = false;
  std::uint64_t offset = kRiffHeaderBytes;
  // The RIFF size field is often wrong in the wild; the chunks themselves
  // are checked against the end of the file instead.
  while (offset < *file_size) {
    std::uint8_t header[kChunkHeaderBytes];
    if (*file_size - offset < kChunkHeaderBytes || !ReadAt(file, offset, header, kChunkHeaderBytes)) {
      return Refuse("truncated chunk header at offset " + std::to_string(offset));
    }
    const std::uint32_t size = ReadU32(header + 4);
    const std::uint64_t body = offset + kChunkHeaderBytes;
    if (size > *file_size - body) {
      return Refuse("chunk '" + ChunkName(header) + "' at offset " + std::to_string(offset) + " claims " +
                    std::to_string(size) + " bytes but only " + std::to_string(*file_size - body) +
                    " remain (truncated file?)");
    }
    if (HasId(header, "fmt ")) {
      if (have_format) return Refuse("more than one fmt chunk");
      // Only the first 40 bytes mean anything to the reader.
      std::uint8_t format[kExtensibleFormatBytes] = {};
      const std::uint32_t read = std::min(size, kExtensibleFormatBytes);
      if (!ReadAt(file, body, format, read)) return Refuse("cannot read the fmt chunk");
      const std::string error = ReadFormat(format, size, result.header);
      if (!error.empty()) return Refuse(error);
      have_format = true;
    } else if (HasId(header, "data")) {
      if (data_offset) return Refuse("more than one data chunk");
      data_offset = body;
      result.header.data_bytes = size;
    }
    offset = body + size + (size & 1u);  // chunks are padded to even sizes
  }
  if (!have_format) return Refuse("no fmt chunk");
  if (!data_offset) return Refuse("no data chunk");
  if (result.header.data_bytes % result.header.block_align != 0) {
    return Refuse("the data chunk holds " + std::to_string(result.header.data_bytes) +
                  " bytes, not a whole number of " + std::to_string(result.header.block_align) + "-byte frames");
  }
  result.header.data_offset = *data_offset;
  result.ok = true;
  return result;
}

}  // namespace kestro::pcm
