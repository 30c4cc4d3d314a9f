// The UI port's frames (documented in standin/engine/README.md): a 32-bit
// little-endian body length, then the body: one type byte and its payload.
// All integers are little-endian.
#ifndef STANDIN_ENGINE_UI_PORT_FRAMES_H_
#define STANDIN_ENGINE_UI_PORT_FRAMES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "standin/engine_test_api.h"

namespace standin::internal::frames {

constexpr uint32_t kProtocolVersion = 1;
// Larger bodies are refused as malformed; a few audio chunks fit many times.
constexpr uint32_t kMaxBodySize = 16u << 20;

enum Type : uint8_t {
  // Peer to host.
  kSendMessage = 0x01,
  kReplyToHost = 0x02,
  kQueryState = 0x03,
  kAction = 0x04,
  // Host to peer.
  kHello = 0x80,
  kMessageResponse = 0x81,
  kHostMessage = 0x82,
  kStateReply = 0x83,
  kActionResult = 0x84,
  kProtocolError = 0x85,
};

enum Outcome : uint8_t { kAnswered = 0, kNoHandler = 1, kEngineGone = 2 };

enum ActionCode : uint8_t {
  kRenderFrame = 1,
  kCloseWindow = 2,
  kResizeWindow = 3,  // arguments: width (4), height (4), signed
  kSendFontChange = 4,
  kConsumeWindowMessage = 5,        // arguments: message (4), result (8, signed)
  kStopConsumingWindowMessage = 6,  // arguments: message (4)
  kMinimiseWindow = 7,
  kRestoreWindow = 8,
  kForgetSentMessages = 9,
  kCrashProcess = 10,  // arguments: how (1, CrashKind), where (1: 0 platform thread, 1 a new thread)
};

// How the crash action ends the process.
enum CrashKind : uint8_t {
  kAccessViolation = 1,
  kAbort = 2,
  kTerminate = 3,
  kPureVirtualCall = 4,
  kInvalidParameter = 5,
  kStackOverflow = 6,
  // A read through a bad pointer inside the runtime's write to standard
  // error, which leaves the stream's lock held, as a crash inside a
  // diagnostic line does.
  kAccessViolationHoldingStderr = 7,
};

bool IsKnownAction(uint8_t action);

struct SendMessageRequest {
  uint32_t request_id = 0;
  EngineId engine = 0;
  std::string channel;
  std::vector<uint8_t> message;
};

struct ReplyToHostRequest {
  uint64_t message_id = 0;
  std::vector<uint8_t> reply;
};

struct StateQuery {
  uint32_t request_id = 0;
};

struct ActionRequest {
  uint32_t request_id = 0;
  uint8_t action = 0;
  EngineId engine = 0;
  // The arguments of the actions that take them.
  int32_t width = 0;
  int32_t height = 0;
  uint32_t message = 0;
  int64_t result = 0;
  uint8_t crash_kind = 0;
  uint8_t crash_thread = 0;
};

using Request = std::variant<SendMessageRequest, ReplyToHostRequest, StateQuery, ActionRequest>;

// Decodes one frame body; nothing, with the reason in `error`, when it is
// malformed (unknown type, fields cut short, trailing bytes where none fit).
std::optional<Request> DecodeRequest(const uint8_t* body, size_t size, std::string* error);

// Whole frames, length prefix included.
std::vector<uint8_t> EncodeHello();
std::vector<uint8_t> EncodeMessageResponse(uint32_t request_id, const InjectedResponse& response);
std::vector<uint8_t> EncodeHostMessage(const SentMessage& message);
std::vector<uint8_t> EncodeStateReply(uint32_t request_id, const std::vector<uint8_t>& state);
std::vector<uint8_t> EncodeActionResult(uint32_t request_id, bool done);
std::vector<uint8_t> EncodeProtocolError(const std::string& text);

// Splits a byte stream into frame bodies.
class FrameSplitter {
 public:
  enum class Status { kNeedMore, kBody, kTooLarge };
  void Feed(const uint8_t* data, size_t size);
  // kBody: the next body is in `body`. kTooLarge: the stream is unusable.
  Status Next(std::vector<uint8_t>* body);

 private:
  std::vector<uint8_t> buffer_;
  size_t consumed_ = 0;
};

}  // namespace standin::internal::frames

#endif  // STANDIN_ENGINE_UI_PORT_FRAMES_H_
