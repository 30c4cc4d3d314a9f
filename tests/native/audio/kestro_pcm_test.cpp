// kestro-pcm run as a program on generated WAV files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "offline_capture.h"
#include "wav_bytes.h"

namespace kestro::testing {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;

struct ToolRun {
  int exit_code = -1;
  std::string output;  // standard output and standard error
  // The largest resident size of any child so far: an upper bound on this
  // run's peak, as the other runs' files are small.
  long peak_mib = -1;
};

ToolRun RunTool(const std::string& arguments) {
  ToolRun run;
  const std::string command = std::string(KESTRO_PCM_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 256> buffer;
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) run.output += buffer.data();
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  rusage usage{};
  if (getrusage(RUSAGE_CHILDREN, &usage) == 0) run.peak_mib = usage.ru_maxrss / 1024;
  return run;
}

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "kestro_pcm_" + name;
}

std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// A WAV whose data chunk of `data_bytes` zero bytes is a hole in the file,
// so that long recordings cost neither time nor disk to make.
std::string WriteSparseWav(const std::string& name, const std::vector<std::uint8_t>& fmt_body,
                           std::uint32_t data_bytes) {
  std::vector<std::uint8_t> chunks;
  PutChunk(chunks, "fmt ", fmt_body);
  chunks.insert(chunks.end(), {'d', 'a', 't', 'a'});
  PutLe(chunks, data_bytes, 4);
  const auto file = Riff(chunks);
  const std::string path = WriteFile(name, file);
  std::filesystem::resize_file(path, file.size() + data_bytes);
  return path;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// The samples of a 16000 Hz mono 16-bit WAV written by the tool; fails the
// test if the header says anything else.
std::vector<std::int16_t> OutputSamples(const std::string& path) {
  const auto file = ReadFile(path);
  std::vector<std::int16_t> samples;
  if (file.size() < 44) {
    ADD_FAILURE() << path << " has no WAV header";
    return samples;
  }
  const auto expected_header = Wav(FmtBody(kWaveFormatPcm, 1, 16000, 16), {});
  EXPECT_TRUE(std::equal(expected_header.begin() + 8, expected_header.begin() + 40, file.begin() + 8));
  const std::uint32_t data_bytes = file[40] | (file[41] << 8) | (file[42] << 16) | (file[43] << 24);
  EXPECT_EQ(data_bytes, file.size() - 44);
  for (std::size_t k = 44; k + 1 < file.size(); k += 2) {
    samples.push_back(static_cast<std::int16_t>(file[k] | (file[k + 1] << 8)));
  }
  return samples;
}

TEST(KestroPcm, ConvertsAStereoFloatRecordingIntoWholeChunks) {
  const std::vector<float> frames(48000 * 2, 0.5f);  // one second
  const auto in = WriteFile("stereo48.wav", Wav(FmtBody(kWaveFormatIeeeFloat, 2, 48000, 32), SampleBytes(frames)));
  const auto out = TempPath("stereo48.out.wav");
  const ToolRun run = RunTool("convert " + in + " " + out + " --chunk-ms 100");
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(run.output, "10 chunks, 16000 samples\n");
  const auto samples = OutputSamples(out);
  EXPECT_EQ(samples.size(), 16000u);
  EXPECT_THAT(samples, Each(16383));
}

TEST(KestroPcm, OutputDoesNotDependOnPacketSize) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> level(-32768, 32767);
  std::vector<std::int16_t> frames(44100 * 3 / 2 * 2);  // 1.5 s, stereo
  for (auto& sample : frames) sample = static_cast<std::int16_t>(level(random));
  const auto in = WriteFile("noise44.wav", Wav(FmtBody(0, 2, 44100, 16, &kSubtypePcm), SampleBytes(frames)));
  std::vector<std::vector<std::int16_t>> outputs;
  for (const char* packet : {"", " --packet-frames 1", " --packet-frames 7", " --packet-frames 5000"}) {
    const auto out = TempPath("noise44.out.wav");
    const ToolRun run = RunTool("convert " + in + " " + out + " --chunk-ms 80" + packet);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(run.output, "18 chunks, 23040 samples\n") << packet;
    outputs.push_back(OutputSamples(out));
  }
  EXPECT_THAT(outputs, Each(outputs.front()));
}

// A 10 kHz tone folds to 6 kHz at full level in the default conversion;
// the filtered one leaves nothing of it once its onset has rung out.
TEST(KestroPcm, HighQualityRemovesWhatWouldFoldIntoTheBand) {
  std::vector<float> frames(48000 * 2);
  for (std::size_t k = 0; k < frames.size(); ++k) {
    frames[k] = static_cast<float>(0.5 * std::sin(2 * 3.14159265358979 * 10000 * static_cast<double>(k / 2) / 48000));
  }
  const auto in = WriteFile("tone10k.wav", Wav(FmtBody(kWaveFormatIeeeFloat, 2, 48000, 32), SampleBytes(frames)));
  const auto out = TempPath("tone10k.out.wav");
  auto peak_after_onset = [&](const std::string& quality) {
    const ToolRun run = RunTool("convert " + in + " " + out + " --chunk-ms 100 --quality " + quality);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    const auto samples = OutputSamples(out);
    EXPECT_GE(samples.size(), 14400u) << quality;  // the last chunk waits for the filter's lookahead
    int peak = 0;
    for (std::size_t k = 160; k < samples.size(); ++k) peak = std::max(peak, std::abs(int{samples[k]}));
    return peak;
  };
  EXPECT_GT(peak_after_onset("standard"), 16000);
  EXPECT_LE(peak_after_onset("high"), 1);
}

TEST(KestroPcm, RejectedFormatsExitWithTheEnginesMessage) {
  const auto in = WriteFile("pcm24.wav", Wav(FmtBody(kWaveFormatPcm, 2, 48000, 24), std::vector<std::uint8_t>(600)));
  const auto out = TempPath("pcm24.out.wav");
  std::remove(out.c_str());
  const ToolRun run = RunTool("convert " + in + " " + out);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.output, "kestro-pcm: WASAPI: unsupported PCM bit depth\n");
  EXPECT_FALSE(std::ifstream(out).good()) << "no output is left behind";

  const auto float64 =
      WriteFile("float64.wav", Wav(FmtBody(kWaveFormatIeeeFloat, 1, 48000, 64), std::vector<std::uint8_t>(64)));
  EXPECT_THAT(RunTool("convert " + float64 + " " + out).output, HasSubstr("WASAPI: unsupported float bit depth"));
}

// The input is read a packet at a time and the output written as chunks
// come, so memory does not follow the file's length.
constexpr long kMemoryBoundMib = 64;

TEST(KestroPcm, LongRecordingsConvertInBoundedMemory) {
  const std::uint32_t ten_minutes = 600 * 48000 * 8;  // 48 kHz stereo float
  const auto in = WriteSparseWav("long.wav", FmtBody(kWaveFormatIeeeFloat, 2, 48000, 32), ten_minutes);
  const auto out = TempPath("long.out.wav");
  const ToolRun run = RunTool("convert " + in + " " + out);
  std::filesystem::remove(in);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(run.output, "1000 chunks, 9600000 samples\n");
  EXPECT_EQ(std::filesystem::file_size(out), 44u + 2 * 9600000);
  std::filesystem::remove(out);
  EXPECT_LT(run.peak_mib, kMemoryBoundMib);
}

TEST(KestroPcm, LowRatesAreRefusedBeforeTheSamplesAreRead) {
  // The engine refuses 0 Hz itself; at 50 Hz the output could not be a WAV file.
  const auto zero_hz = WriteSparseWav("0hz.wav", FmtBody(kWaveFormatIeeeFloat, 2, 0, 32), 40u << 20);
  const auto out = TempPath("low.out.wav");
  const ToolRun zero = RunTool("convert " + zero_hz + " " + out);
  std::filesystem::remove(zero_hz);
  EXPECT_EQ(zero.exit_code, 1);
  EXPECT_EQ(zero.output, "kestro-pcm: WASAPI: unsupported sample rate\n");
  EXPECT_LT(zero.peak_mib, kMemoryBoundMib);

  const auto fifty_hz = WriteSparseWav("50hz.wav", FmtBody(kWaveFormatPcm, 1, 50, 16), 16u << 20);
  const ToolRun fifty = RunTool("convert " + fifty_hz + " " + out);
  std::filesystem::remove(fifty_hz);
  EXPECT_EQ(fifty.exit_code, 1);
  EXPECT_THAT(fifty.output, HasSubstr("beyond the 4 GB a WAV file can hold"));
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_LT(fifty.peak_mib, kMemoryBoundMib);
}

TEST(KestroPcm, SamplesThatCannotBeReadEndTheRunWithAReason) {
  // As if the file was cut short after its header was read.
  const auto file = Wav(FmtBody(kWaveFormatPcm, 1, 16000, 16), std::vector<std::uint8_t>(32000));
  std::istringstream stream(std::string(file.begin(), file.end() - 1000));
  pcm::WavHeader header;
  header.format = MixFormat{kWaveFormatPcm, 1, 16000, 16, {}};
  header.block_align = 2;
  header.data_offset = 44;
  header.data_bytes = 32000;
  pcm::WavWriter writer(TempPath("cut.out.wav"));
  const pcm::OfflineCapture capture = pcm::RunCapture(stream, header, 100, 0, writer);
  writer.Discard();
  EXPECT_FALSE(capture.ok);
  EXPECT_THAT(capture.error, HasSubstr("cannot read the samples"));
}

TEST(KestroPcm, MalformedOrMissingFilesExitWithAReason) {
  auto truncated = Wav(FmtBody(kWaveFormatPcm, 1, 16000, 16), std::vector<std::uint8_t>(100));
  truncated.resize(truncated.size() - 10);
  const auto in = WriteFile("truncated.wav", truncated);
  const ToolRun run = RunTool("convert " + in + " " + TempPath("truncated.out.wav"));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.output, HasSubstr("claims 100 bytes but only 90 remain"));

  const ToolRun missing = RunTool("convert " + TempPath("missing.wav") + " " + TempPath("missing.out.wav"));
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_THAT(missing.output, HasSubstr("cannot read"));
}

TEST(KestroPcm, BadArgumentsExitWithUsage) {
  for (const char* arguments :
       {"", "play a.wav b.wav", "convert a.wav", "convert a.wav b.wav --chunk-ms", "convert a.wav b.wav --chunk-ms ten",
        "convert a.wav b.wav --packet-frames 0", "convert a.wav b.wav --loud", "convert a.wav b.wav --quality",
        "convert a.wav b.wav --quality best"}) {
    const ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.exit_code, 2) << arguments;
    EXPECT_THAT(run.output, HasSubstr("usage: kestro-pcm convert")) << arguments;
  }
}

}  // namespace
}  // namespace kestro::testing
