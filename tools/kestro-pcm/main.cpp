// kestro-pcm: runs the system audio capture pipeline on a recording.
//   kestro-pcm convert IN.wav OUT.wav [--chunk-ms N] [--packet-frames N] [--quality standard|high]
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "offline_capture.h"
#include "wav_reader.h"
#include "wav_writer.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: kestro-pcm convert IN.wav OUT.wav [--chunk-ms N] [--packet-frames N]\n"
    "                          [--quality standard|high]\n"
    "  Feeds IN.wav's frames to the loopback capture engine as device packets of\n"
    "  --packet-frames frames (default: 10 ms) and writes every chunk it emits,\n"
    "  in order, to OUT.wav (16000 Hz, mono, 16-bit). --chunk-ms is the chunk\n"
    "  length (default 600); samples after the last whole chunk are not emitted.\n"
    "  --quality high converts with the low-pass filtered resampler, as \"start\"\n"
    "  with {\"quality\": \"high\"} does (default: standard).\n";

struct Options {
  std::string input;
  std::string output;
  std::int32_t chunk_ms = 600;
  std::uint32_t packet_frames = 0;  // 10 ms of the input's rate
  kestro::ConversionQuality quality = kestro::ConversionQuality::kStandard;
};

template <typename Number>
bool ParseNumber(const char* text, Number& value) {
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  return error == std::errc() && stop == end && stop != text;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "kestro-pcm: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "kestro-pcm: %s\n", message.c_str());
  return kExitFailure;
}

// Returns an empty text on success, else what is wrong with the arguments.
std::string ParseOptions(int argc, char** argv, Options& options) {
  std::vector<std::string> paths;
  for (int k = 2; k < argc; ++k) {
    const std::string argument = argv[k];
    if (argument == "--quality") {
      if (k + 1 >= argc) return argument + " needs a value";
      const std::string value = argv[++k];
      if (value != "standard" && value != "high") return "invalid value for --quality: " + value;
      options.quality = value == "high" ? kestro::ConversionQuality::kHigh : kestro::ConversionQuality::kStandard;
    } else if (argument == "--chunk-ms" || argument == "--packet-frames") {
      if (k + 1 >= argc) return argument + " needs a value";
      const char* value = argv[++k];
      const bool parsed =
          argument == "--chunk-ms" ? ParseNumber(value, options.chunk_ms) : ParseNumber(value, options.packet_frames);
      if (!parsed) return "invalid value for " + argument + ": " + value;
      if (argument == "--packet-frames" && options.packet_frames == 0) {
        return "--packet-frames must be at least 1";
      }
    } else if (argument.size() > 1 && argument[0] == '-' && argument[1] == '-') {
      return "unknown option " + argument;
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.size() != 2) return "convert needs IN.wav and OUT.wav";
  options.input = paths[0];
  options.output = paths[1];
  return {};
}

int Convert(const Options& options) {
  std::ifstream file(options.input, std::ios::binary);
  if (!file) return Failure("cannot read " + options.input);
  const kestro::pcm::WavParse parse = kestro::pcm::ParseWavHeader(file);
  if (!parse.ok) return Failure(options.input + ": " + parse.error);
  // Refused before anything is written, rather than after 4 GB.
  const std::uint64_t least_output = kestro::pcm::LeastOutputBytes(parse.header, options.chunk_ms);
  if (least_output > kestro::pcm::WavWriter::kMaxDataBytes) {
    return Failure(options.input + ": at " + std::to_string(parse.header.format.samples_per_second) +
                   " Hz its output would take " + std::to_string(least_output) +
                   " bytes, beyond the 4 GB a WAV file can hold");
  }

  kestro::pcm::WavWriter writer(options.output);
  if (!writer.ok()) return Failure("cannot write " + options.output);
  kestro::CaptureOptions capture_options;
  capture_options.quality = options.quality;
  const kestro::pcm::OfflineCapture capture =
      kestro::pcm::RunCapture(file, parse.header, options.chunk_ms, options.packet_frames, writer, capture_options);
  if (!capture.ok || !writer.Finish()) {
    writer.Discard();
    return Failure(capture.ok ? "cannot write " + options.output : capture.error);
  }
  std::printf("%llu chunks, %llu samples\n", static_cast<unsigned long long>(capture.chunks),
              static_cast<unsigned long long>(capture.samples));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc < 2 || std::strcmp(argv[1], "convert") != 0) return UsageError("expected the command convert");
  Options options;
  const std::string problem = ParseOptions(argc, argv, options);
  if (!problem.empty()) return UsageError(problem);
  return Convert(options);
}
