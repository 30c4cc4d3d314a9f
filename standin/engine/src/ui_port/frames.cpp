#include "ui_port/frames.h"

#include <utility>

namespace standin::internal::frames {
namespace {

class BodyWriter {
 public:
  explicit BodyWriter(Type type) : bytes_(4, 0) { bytes_.push_back(type); }
  BodyWriter& U8(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  BodyWriter& U32(uint32_t value) { return Little(value, 4); }
  BodyWriter& U64(uint64_t value) { return Little(value, 8); }
  BodyWriter& Bytes(const void* data, size_t size) {
    const auto* begin = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), begin, begin + size);
    return *this;
  }
  BodyWriter& Text(const std::string& text) {
    return U32(static_cast<uint32_t>(text.size())).Bytes(text.data(), text.size());
  }
  // The frame, with its length prefix filled in.
  std::vector<uint8_t> Finish() {
    const uint64_t body_size = bytes_.size() - 4;
    for (int i = 0; i < 4; ++i) bytes_[i] = static_cast<uint8_t>(body_size >> (8 * i));
    return std::move(bytes_);
  }

 private:
  BodyWriter& Little(uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
  }
  std::vector<uint8_t> bytes_;
};

class BodyReader {
 public:
  BodyReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool U8(uint8_t* value) { return Little(value, 1); }
  bool U32(uint32_t* value) { return Little(value, 4); }
  bool U64(uint64_t* value) { return Little(value, 8); }
  bool Text(std::string* text) {
    uint32_t length;
    if (!U32(&length) || length > size_ - offset_) return false;
    text->assign(reinterpret_cast<const char*>(data_ + offset_), length);
    offset_ += length;
    return true;
  }
  std::vector<uint8_t> Rest() {
    std::vector<uint8_t> rest(data_ + offset_, data_ + size_);
    offset_ = size_;
    return rest;
  }
  bool AtEnd() const { return offset_ == size_; }

 private:
  template <typename T>
  bool Little(T* value, size_t width) {
    if (size_ - offset_ < width) return false;
    T result = 0;
    for (size_t i = 0; i < width; ++i) result = static_cast<T>(result | static_cast<T>(data_[offset_ + i]) << (8 * i));
    offset_ += width;
    *value = result;
    return true;
  }
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

// Unknown actions take none, so that their frames are still checked for length.
bool ReadActionArguments(BodyReader& reader, ActionRequest* request) {
  uint32_t width;
  uint32_t height;
  uint64_t result;
  switch (request->action) {
    case kResizeWindow:
      if (!reader.U32(&width) || !reader.U32(&height)) return false;
      request->width = static_cast<int32_t>(width);
      request->height = static_cast<int32_t>(height);
      return true;
    case kConsumeWindowMessage:
      if (!reader.U32(&request->message) || !reader.U64(&result)) return false;
      request->result = static_cast<int64_t>(result);
      return true;
    case kStopConsumingWindowMessage:
      return reader.U32(&request->message);
    case kCrashProcess:
      return reader.U8(&request->crash_kind) && reader.U8(&request->crash_thread);
    default:
      return true;
  }
}

std::optional<Request> Malformed(std::string* error, const char* what) {
  *error = what;
  return std::nullopt;
}

}  // namespace

std::optional<Request> DecodeRequest(const uint8_t* body, size_t size, std::string* error) {
  BodyReader reader(body, size);
  uint8_t type;
  if (!reader.U8(&type)) return Malformed(error, "empty frame body");
  switch (type) {
    case kSendMessage: {
      SendMessageRequest request;
      if (!reader.U32(&request.request_id) || !reader.U64(&request.engine) || !reader.Text(&request.channel)) {
        return Malformed(error, "send-message frame cut short");
      }
      request.message = reader.Rest();
      return request;
    }
    case kReplyToHost: {
      ReplyToHostRequest request;
      if (!reader.U64(&request.message_id)) return Malformed(error, "reply frame cut short");
      request.reply = reader.Rest();
      return request;
    }
    case kQueryState: {
      StateQuery request;
      if (!reader.U32(&request.request_id)) return Malformed(error, "state query frame cut short");
      if (!reader.AtEnd()) return Malformed(error, "state query frame too long");
      return request;
    }
    case kAction: {
      ActionRequest request;
      if (!reader.U32(&request.request_id) || !reader.U8(&request.action) || !reader.U64(&request.engine) ||
          !ReadActionArguments(reader, &request)) {
        return Malformed(error, "action frame cut short");
      }
      if (!reader.AtEnd()) return Malformed(error, "action frame too long");
      return request;
    }
    default:
      *error = "unknown frame type " + std::to_string(type);
      return std::nullopt;
  }
}

bool IsKnownAction(uint8_t action) {
  return action >= kRenderFrame && action <= kCrashProcess;
}

std::vector<uint8_t> EncodeHello() {
  return BodyWriter(kHello).U32(kProtocolVersion).Finish();
}

std::vector<uint8_t> EncodeMessageResponse(uint32_t request_id, const InjectedResponse& response) {
  Outcome outcome = kAnswered;
  if (response.state == ResponseState::kNoHandler) outcome = kNoHandler;
  if (response.state == ResponseState::kEngineGone) outcome = kEngineGone;
  return BodyWriter(kMessageResponse)
      .U32(request_id)
      .U8(outcome)
      .Bytes(response.bytes.data(), response.bytes.size())
      .Finish();
}

std::vector<uint8_t> EncodeHostMessage(const SentMessage& message) {
  return BodyWriter(kHostMessage)
      .U64(message.id)
      .U64(message.engine)
      .U8(message.wants_reply ? 1 : 0)
      .Text(message.channel)
      .Bytes(message.bytes.data(), message.bytes.size())
      .Finish();
}

std::vector<uint8_t> EncodeStateReply(uint32_t request_id, const std::vector<uint8_t>& state) {
  return BodyWriter(kStateReply).U32(request_id).Bytes(state.data(), state.size()).Finish();
}

std::vector<uint8_t> EncodeActionResult(uint32_t request_id, bool done) {
  return BodyWriter(kActionResult).U32(request_id).U8(done ? 1 : 0).Finish();
}

std::vector<uint8_t> EncodeProtocolError(const std::string& text) {
  return BodyWriter(kProtocolError).Bytes(text.data(), text.size()).Finish();
}

void FrameSplitter::Feed(const uint8_t* data, size_t size) {
  if (consumed_ > 0 && consumed_ == buffer_.size()) {
    buffer_.clear();
    consumed_ = 0;
  }
  buffer_.insert(buffer_.end(), data, data + size);
}

FrameSplitter::Status FrameSplitter::Next(std::vector<uint8_t>* body) {
  const size_t available = buffer_.size() - consumed_;
  if (available < 4) return Status::kNeedMore;
  const uint8_t* start = buffer_.data() + consumed_;
  const uint32_t length = static_cast<uint32_t>(start[0]) | static_cast<uint32_t>(start[1]) << 8 |
                          static_cast<uint32_t>(start[2]) << 16 | static_cast<uint32_t>(start[3]) << 24;
  if (length > kMaxBodySize) return Status::kTooLarge;
  if (available - 4 < length) return Status::kNeedMore;
  body->assign(start + 4, start + 4 + length);
  consumed_ += 4 + length;
  // Drop what was taken once it outweighs what is left, so the buffer stays bounded.
  if (consumed_ > buffer_.size() / 2) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(consumed_));
    consumed_ = 0;
  }
  return Status::kBody;
}

}  // namespace standin::internal::frames
