// kestro-pcm's WAV reader: what it accepts, and refusing the malformed
// with a reason instead of reading past the bytes that are there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "wav_bytes.h"
#include "wav_reader.h"

namespace kestro::testing {
namespace {

using ::testing::HasSubstr;

pcm::WavParse ParseWav(const std::vector<std::uint8_t>& file) {
  std::istringstream stream(std::string(file.begin(), file.end()));
  return pcm::ParseWavHeader(stream);
}

const std::vector<std::uint8_t> kFourStereoFrames(16, 0x11);
const FormatGuid kUnknownSubformat{};

TEST(WavReader, AcceptsPlainAndExtensibleFormats) {
  const auto plain = ParseWav(Wav(FmtBody(kWaveFormatPcm, 2, 44100, 16), kFourStereoFrames));
  ASSERT_TRUE(plain.ok) << plain.error;
  EXPECT_EQ(plain.header.format.samples_per_second, 44100u);
  EXPECT_EQ(plain.header.block_align, 4);
  EXPECT_EQ(plain.header.data_offset, 44u);
  EXPECT_EQ(plain.header.frames(), 4u);

  const auto extensible = ParseWav(Wav(FmtBody(0, 2, 48000, 32, &kSubtypeIeeeFloat), kFourStereoFrames));
  ASSERT_TRUE(extensible.ok) << extensible.error;
  EXPECT_EQ(extensible.header.format.format_tag, kWaveFormatExtensible);
  EXPECT_TRUE(extensible.header.format.subformat == kSubtypeIeeeFloat);
  EXPECT_EQ(extensible.header.data_bytes, 16u);

  // Depths the capture engine refuses still parse; the engine says why.
  EXPECT_TRUE(ParseWav(Wav(FmtBody(kWaveFormatPcm, 1, 48000, 24), std::vector<std::uint8_t>(9))).ok);
}

TEST(WavReader, SkipsOtherChunksWithTheirPaddingAndToleratesAWrongRiffSize) {
  std::vector<std::uint8_t> chunks;
  PutChunk(chunks, "LIST", {1, 2, 3});  // odd size, padded
  PutChunk(chunks, "fmt ", FmtBody(kWaveFormatIeeeFloat, 1, 16000, 32));
  PutChunk(chunks, "data", std::vector<std::uint8_t>(8, 0));
  auto file = Riff(chunks);
  file[4] = 0xFF;
  const auto parsed = ParseWav(file);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.header.data_offset, 12u + 12 + 8 + 16 + 8);
  EXPECT_EQ(parsed.header.data_bytes, 8u);
}

struct Malformed {
  const char* name;
  std::vector<std::uint8_t> file;
  const char* reason;
};

void PrintTo(const Malformed& malformed, std::ostream* out) {
  *out << malformed.name;
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> file, std::size_t drop) {
  file.resize(file.size() - drop);
  return file;
}

std::vector<Malformed> MalformedFiles() {
  const auto good = Wav(FmtBody(kWaveFormatPcm, 2, 48000, 16), kFourStereoFrames);
  std::vector<std::uint8_t> only_data;
  PutChunk(only_data, "data", kFourStereoFrames);
  std::vector<std::uint8_t> only_fmt;
  PutChunk(only_fmt, "fmt ", FmtBody(kWaveFormatPcm, 2, 48000, 16));
  auto short_extensible = FmtBody(0, 2, 48000, 32, &kSubtypeIeeeFloat);
  short_extensible.resize(30);
  auto bad_align = FmtBody(kWaveFormatPcm, 2, 48000, 16);
  bad_align[12] = 3;
  auto two_fmts = only_fmt;
  two_fmts.insert(two_fmts.end(), only_fmt.begin(), only_fmt.end());
  PutChunk(two_fmts, "data", kFourStereoFrames);
  return {
      {"Empty", {}, "not a RIFF/WAVE file"},
      {"NotWave", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, "not a RIFF/WAVE file"},
      {"NoChunks", Riff({}), "no fmt chunk"},
      {"TruncatedData", Truncated(good, 3), "claims 16 bytes but only 13 remain"},
      {"TruncatedFmt", Truncated(Riff(only_fmt), 10), "chunk 'fmt ' at offset 12 claims 16 bytes but only 6 remain"},
      {"HalfChunkHeader",
       [&] {
         auto f = good;
         f.insert(f.end(), {'J', 'U', 'N'});
         return f;
       }(),
       "truncated chunk header"},
      {"HugeChunkSize",
       [&] {
         auto f = good;
         f[16] = f[17] = f[18] = f[19] = 0xFF;
         return f;
       }(),
       "claims 4294967295 bytes"},
      {"NoFmt", Riff(only_data), "no fmt chunk"},
      {"NoData", Riff(only_fmt), "no data chunk"},
      {"TwoFmts", Riff(two_fmts), "more than one fmt chunk"},
      {"ShortFmt", Wav(std::vector<std::uint8_t>(14, 1), kFourStereoFrames), "fewer than 16"},
      {"ShortExtensible", Wav(short_extensible, kFourStereoFrames), "too short for its subformat"},
      {"OtherSubformat", Wav(FmtBody(0, 2, 48000, 16, &kUnknownSubformat), kFourStereoFrames),
       "unsupported WAVE_FORMAT_EXTENSIBLE subformat"},
      {"ALaw", Wav(FmtBody(6, 1, 8000, 8), kFourStereoFrames), "unsupported format tag 0x0006"},
      {"NoChannels", Wav(FmtBody(kWaveFormatPcm, 0, 48000, 16), {}), "no channels"},
      {"BadBlockAlign", Wav(bad_align, kFourStereoFrames), "block align 3 does not fit 2 channels of 16 bits"},
      {"PartialFrame", Wav(FmtBody(kWaveFormatPcm, 2, 48000, 16), std::vector<std::uint8_t>(6)),
       "not a whole number of 4-byte frames"},
  };
}

class WavReaderRefuses : public ::testing::TestWithParam<Malformed> {};

TEST_P(WavReaderRefuses, WithAReason) {
  const auto parsed = ParseWav(GetParam().file);
  EXPECT_FALSE(parsed.ok);
  EXPECT_THAT(parsed.error, HasSubstr(GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(Files, WavReaderRefuses, ::testing::ValuesIn(MalformedFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WavReader, EveryPrefixAndEveryCorruptedByteIsHandled) {
  const auto good = Wav(FmtBody(0, 2, 48000, 32, &kSubtypeIeeeFloat), std::vector<std::uint8_t>(64, 7));
  for (std::size_t size = 0; size < good.size(); ++size) {
    const auto parsed = ParseWav(std::vector<std::uint8_t>(good.begin(), good.begin() + size));
    EXPECT_FALSE(parsed.ok) << "prefix of " << size << " bytes";
  }
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (const std::uint8_t value : {0x00, 0x01, 0x7F, 0xFF}) {
      auto corrupted = good;
      corrupted[at] = value;
      const auto parsed = ParseWav(corrupted);
      if (parsed.ok) {
        EXPECT_EQ(parsed.header.data_bytes % parsed.header.block_align, 0u);
        EXPECT_LE(parsed.header.data_offset + parsed.header.data_bytes, corrupted.size());
      }
    }
  }
}

}  // namespace
}  // namespace kestro::testing
