#include "literal_pipeline.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kestro::bench {

LiteralPipeline::LiteralPipeline(std::int32_t sample_rate, std::int32_t channel_count, bool is_float,
                                 std::int32_t chunk_ms, Emit emit)
    : channels_(static_cast<std::size_t>(std::max(1, channel_count))),
      is_float_(is_float),
      chunk_samples_(static_cast<std::size_t>(
          std::max(static_cast<std::int32_t>(static_cast<std::uint32_t>(chunk_ms) * 16u), 1))),
      step_(sample_rate / 16000.0),
      emit_(std::move(emit)) {
  pending_output_.reserve(chunk_samples_);
}

void LiteralPipeline::Packet(const AudioPacket& packet) {
  DownMix(packet);
  Resample();
}

void LiteralPipeline::DownMix(const AudioPacket& packet) {
  const std::size_t frames = packet.frames;
  const std::size_t first = mono_input_.size();
  mono_input_.resize(first + frames);
  float* out = mono_input_.data() + first;
  if ((packet.flags & 2) != 0 || packet.data == nullptr) {
    std::fill(out, out + frames, 0.0f);
    return;
  }
  const double channels = static_cast<double>(channels_);
  if (is_float_) {
    for (std::size_t f = 0; f < frames; ++f) {
      double sum = 0.0;
      for (std::size_t c = 0; c < channels_; ++c) {
        float sample;
        std::memcpy(&sample, packet.data + (f * channels_ + c) * 4, 4);
        sum += sample;
      }
      out[f] = static_cast<float>(sum / channels);
    }
  } else {
    for (std::size_t f = 0; f < frames; ++f) {
      double sum = 0.0;
      for (std::size_t c = 0; c < channels_; ++c) {
        std::int16_t sample;
        std::memcpy(&sample, packet.data + (f * channels_ + c) * 2, 2);
        sum += static_cast<float>(sample) * 3.0517578125e-05f;
      }
      out[f] = static_cast<float>(sum / channels);
    }
  }
}

void LiteralPipeline::Resample() {
  for (;;) {
    const std::size_t i = static_cast<std::size_t>(read_position_);
    if (i + 1 >= mono_input_.size()) break;
    const float a = mono_input_[i];
    const float b = mono_input_[i + 1];
    const float v = static_cast<float>(a + static_cast<double>(b - a) * (read_position_ - static_cast<double>(i)));
    // After the clamp to [-1, 1] the product lies in [-32767, 32767], so the
    // integer clamp of the steps can never bind.
    pending_output_.push_back(static_cast<std::int16_t>(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    read_position_ += step_;
    if (pending_output_.size() >= chunk_samples_) {
      EmitChunk();
      DiscardInput(i);
    } else if (i > 4096) {
      DiscardInput(i);
    }
  }
}

// pending_output_ fills one sample at a time, so a chunk is all of it.
void LiteralPipeline::EmitChunk() {
  std::vector<std::uint8_t> bytes(chunk_samples_ * 2);
  for (std::size_t k = 0; k < chunk_samples_; ++k) {
    const auto sample = static_cast<std::uint16_t>(pending_output_[k]);
    bytes[2 * k] = static_cast<std::uint8_t>(sample & 0xFF);
    bytes[2 * k + 1] = static_cast<std::uint8_t>(sample >> 8);
  }
  pending_output_.clear();
  emit_(std::move(bytes));
}

void LiteralPipeline::DiscardInput(std::size_t count) {
  mono_input_.erase(mono_input_.begin(), mono_input_.begin() + static_cast<std::ptrdiff_t>(count));
  read_position_ = std::max(0.0, read_position_ - static_cast<double>(count));
}

}  // namespace kestro::bench
