#include "capture_probe.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <utility>

namespace kestro::testing {

struct CaptureProbe::Record {
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::vector<std::uint8_t>> chunks;
  std::vector<std::string> errors;
};

CaptureProbe::CaptureProbe() : record(std::make_shared<Record>()) {}

KestroLoopbackCapture::ChunkCallback CaptureProbe::OnChunk(std::function<void()> after_each) {
  return [record = record, after_each = std::move(after_each)](std::vector<std::uint8_t> chunk) {
    {
      std::lock_guard<std::mutex> lock(record->mutex);
      record->chunks.push_back(std::move(chunk));
    }
    record->changed.notify_all();
    if (after_each) after_each();
  };
}

KestroLoopbackCapture::ErrorCallback CaptureProbe::OnError() {
  return [record = record](const std::string& message) {
    {
      std::lock_guard<std::mutex> lock(record->mutex);
      record->errors.push_back(message);
    }
    record->changed.notify_all();
  };
}

bool CaptureProbe::WaitForError() {
  std::unique_lock<std::mutex> lock(record->mutex);
  return record->changed.wait_for(lock, kPatience, [this] { return !record->errors.empty(); });
}

bool CaptureProbe::WaitForChunks(std::size_t count) {
  std::unique_lock<std::mutex> lock(record->mutex);
  return record->changed.wait_for(lock, kPatience, [&] { return record->chunks.size() >= count; });
}

std::vector<std::vector<std::uint8_t>> CaptureProbe::Chunks() const {
  std::lock_guard<std::mutex> lock(record->mutex);
  return record->chunks;
}

std::vector<std::string> CaptureProbe::Errors() const {
  std::lock_guard<std::mutex> lock(record->mutex);
  return record->errors;
}

std::vector<std::int16_t> CaptureProbe::Samples() const {
  std::vector<std::int16_t> samples;
  for (const auto& chunk : Chunks()) {
    for (std::size_t k = 0; k + 1 < chunk.size(); k += 2) {
      samples.push_back(static_cast<std::int16_t>(chunk[k] | (chunk[k + 1] << 8)));
    }
  }
  return samples;
}

MixFormat FloatFormat(std::uint32_t rate, std::uint16_t channels) {
  MixFormat format;
  format.format_tag = kWaveFormatIeeeFloat;
  format.channels = channels;
  format.samples_per_second = rate;
  format.bits_per_sample = 32;
  return format;
}

MixFormat Int16Format(std::uint32_t rate, std::uint16_t channels) {
  MixFormat format = FloatFormat(rate, channels);
  format.format_tag = kWaveFormatPcm;
  format.bits_per_sample = 16;
  return format;
}

MixFormat ExtensibleFormat(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                           const FormatGuid& subformat) {
  MixFormat format = FloatFormat(rate, channels);
  format.format_tag = kWaveFormatExtensible;
  format.bits_per_sample = bits;
  format.subformat = subformat;
  return format;
}

std::vector<std::int16_t> CaptureAll(const AudioRecording& recording, std::int32_t chunk_ms,
                                     std::vector<std::vector<std::uint8_t>>* chunks, CaptureOptions options) {
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  {
    KestroLoopbackCapture capture(source.Factory());
    EXPECT_TRUE(capture.Start(chunk_ms, probe.OnChunk(), probe.OnError(), options));
    EXPECT_TRUE(source.WaitUntilDrained(kPatience));
  }
  EXPECT_EQ(probe.Errors(), std::vector<std::string>{});
  if (chunks != nullptr) *chunks = probe.Chunks();
  return probe.Samples();
}

std::string FirstError(const AudioRecording& recording) {
  RecordedAudioSource source(recording);
  CaptureProbe probe;
  KestroLoopbackCapture capture(source.Factory());
  EXPECT_TRUE(capture.Start(100, probe.OnChunk(), probe.OnError()));
  EXPECT_TRUE(probe.WaitForError());
  capture.Stop();
  const auto errors = probe.Errors();
  EXPECT_EQ(errors.size(), 1u);
  return errors.empty() ? std::string() : errors.front();
}

}  // namespace kestro::testing
