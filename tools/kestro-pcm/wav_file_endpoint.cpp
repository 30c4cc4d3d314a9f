#include "wav_file_endpoint.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "present_audio_endpoint.h"

namespace kestro::pcm {
namespace {

constexpr std::uint32_t kMaxPacketBytes = 1u << 20;

}  // namespace

std::uint32_t PacketFrames(std::uint32_t requested, const WavHeader& header) {
  const std::uint32_t frames = requested != 0 ? requested : header.format.samples_per_second / 100;
  const std::uint32_t most = kMaxPacketBytes / std::max<std::uint32_t>(1, header.block_align);
  return std::clamp<std::uint32_t>(frames, 1, most);
}

class WavFileSource::Endpoint final : public PresentAudioEndpoint {
 public:
  explicit Endpoint(WavFileSource& source) : PresentAudioEndpoint(source.header_.format), source_(source) {}

  // The packet buffer is sized only once the engine took the format.
  bool Initialize() override {
    packet_.resize(static_cast<std::size_t>(source_.packet_frames_) * source_.header_.block_align);
    return true;
  }

  bool GetNextPacketSize(std::uint32_t& frames) override {
    frames = NextPacketFrames();
    if (frames == 0) {
      std::lock_guard<std::mutex> lock(source_.mutex_);
      source_.drained_ = true;
      source_.drained_changed_.notify_all();
    }
    return true;
  }

  bool GetBuffer(AudioPacket& packet) override {
    const std::uint32_t frames = NextPacketFrames();
    const std::size_t bytes = static_cast<std::size_t>(frames) * source_.header_.block_align;
    std::istream& file = source_.file_;
    file.read(reinterpret_cast<char*>(packet_.data()), static_cast<std::streamsize>(bytes));
    if (file.gcount() != static_cast<std::streamsize>(bytes)) {
      std::lock_guard<std::mutex> lock(source_.mutex_);
      source_.read_failed_ = true;
      return false;
    }
    source_.frames_delivered_ += frames;
    packet = AudioPacket{packet_.data(), frames, 0};
    return true;
  }

 private:
  std::uint32_t NextPacketFrames() const {
    return std::min(source_.packet_frames_, source_.header_.frames() - source_.frames_delivered_);
  }

  WavFileSource& source_;
  std::vector<std::uint8_t> packet_;
};

WavFileSource::WavFileSource(std::istream& file, const WavHeader& header, std::uint32_t packet_frames)
    : file_(file), header_(header), packet_frames_(PacketFrames(packet_frames, header)) {
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(header_.data_offset));
}

AudioEndpointFactory WavFileSource::Factory() {
  return [this] { return std::make_unique<Endpoint>(*this); };
}

bool WavFileSource::WaitUntilDrained(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return drained_changed_.wait_for(lock, timeout, [this] { return drained_; });
}

bool WavFileSource::ReadFailed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return read_failed_;
}

}  // namespace kestro::pcm
