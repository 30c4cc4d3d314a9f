#include "literal_pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace kestro::bench {

LiteralPipeline::LiteralPipeline(std::int32_t sample_rate, std::int32_t channel_count, bool is_float,
                                 std::int32_t chunk_ms, Emit emit)
    : channel_count(channel_count),
      is_float(is_float),
      chunk_samples(std::max(static_cast<std::int32_t>(static_cast<std::uint32_t>(chunk_ms) * 16u), 1)),
      step(sample_rate / 16000.0),
      emit(std::move(emit)) {}

void LiteralPipeline::Packet(const AudioPacket& packet) {
  DownMix(packet);
  Resample();
}

void LiteralPipeline::DownMix(const AudioPacket& packet) {
  const int channels = std::max(1, channel_count);
  if (mono_input.capacity() < mono_input.size() + packet.frames) {
    mono_input.reserve(mono_input.size() + packet.frames);
  }
  if ((packet.flags & 2) != 0 || packet.data == nullptr) {
    for (std::uint32_t f = 0; f < packet.frames; ++f) mono_input.push_back(0.0f);
    return;
  }
  for (std::uint32_t f = 0; f < packet.frames; ++f) {
    double sum = 0.0;
    for (int c = 0; c < channels; ++c) {
      const std::size_t index = static_cast<std::size_t>(f) * channels + c;
      if (is_float) {
        float sample;
        std::memcpy(&sample, packet.data + index * 4, 4);
        sum += sample;
      } else {
        std::int16_t sample;
        std::memcpy(&sample, packet.data + index * 2, 2);
        const float scaled = sample * 3.0517578125e-05f;
        sum += static_cast<double>(scaled);
      }
    }
    mono_input.push_back(static_cast<float>(sum / channels));
  }
}

void LiteralPipeline::Resample() {
  while (running.load()) {
    const std::size_t i = static_cast<std::size_t>(read_position);
    if (i + 1 >= mono_input.size()) break;
    const float a = mono_input[i];
    const float b = mono_input[i + 1];
    float v = static_cast<float>(a + static_cast<double>(b - a) * (read_position - i));
    if (std::isnan(v)) v = 0.0f;
    v = std::clamp(v, -1.0f, 1.0f);
    int q = static_cast<int>(v * 32767.0f);
    q = std::clamp(q, -32768, 32767);
    pending_output.push_back(static_cast<std::int16_t>(q));
    read_position += step;
    bool cut = false;
    if (pending_output.size() >= static_cast<std::size_t>(chunk_samples)) {
      std::vector<std::int16_t> block(pending_output.begin(), pending_output.begin() + chunk_samples);
      pending_output.erase(pending_output.begin(), pending_output.begin() + chunk_samples);
      EmitChunk(block);
      mono_input.erase(mono_input.begin(), mono_input.begin() + static_cast<std::ptrdiff_t>(i));
      read_position = std::max(0.0, read_position - static_cast<double>(i));
      cut = true;
    }
    if (!cut && i > 4096) {
      mono_input.erase(mono_input.begin(), mono_input.begin() + static_cast<std::ptrdiff_t>(i));
      read_position = std::max(0.0, read_position - static_cast<double>(i));
    }
  }
}

void LiteralPipeline::EmitChunk(const std::vector<std::int16_t>& block) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(block.size() * 2);
  for (const std::int16_t sample : block) {
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8));
  }
  emit(std::move(bytes));
}

}  // namespace kestro::bench
