// One connected UI peer: a reader thread that decodes its requests and a
// writer thread that sends its frames, so that no host thread ever blocks on
// a slow peer.
#ifndef STANDIN_ENGINE_UI_PORT_PEER_CONNECTION_H_
#define STANDIN_ENGINE_UI_PORT_PEER_CONNECTION_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui_port/frames.h"
#include "ui_port/socket.h"

namespace standin::internal {

class PeerConnection : public std::enable_shared_from_this<PeerConnection> {
 public:
  // A peer that leaves this much unread is dropped rather than let the host
  // buffer without bound.
  static constexpr size_t kMaxUnsentBytes = 64u << 20;

  PeerConnection(net::Socket socket, int number);
  ~PeerConnection();

  void Start();
  // Any thread. Frames are sent in the order queued.
  void Queue(std::vector<uint8_t> frame);
  // Any thread; drops unsent frames and wakes both threads.
  void Close();
  // Waits for both threads; never from one of them.
  void Join();
  bool Finished() const { return reader_done_ && writer_done_; }
  // At process end, where the other threads are gone, maybe inside a lock
  // of ours: shuts the socket down unless that means waiting.
  void ShutDownWithoutWaiting();

 private:
  // Runs a thread's loop; a failure inside closes the connection.
  void Guarded(const std::function<void()>& loop) noexcept;
  void ReadLoop();
  void WriteLoop();
  void Handle(frames::Request request);
  // Marks the connection closed and wakes both threads; with `abort`, the
  // peer's side is reset rather than finished. The mutex is held.
  void CloseLocked(bool abort);
  // Each thread calls this as it ends; the last one closes the socket, so
  // the peer sees the end at once rather than when the listener next
  // tidies up.
  void ThreadEnded();
  // The peer vanished (or its socket failed): close, saying so once.
  void Lost();
  // Sends a protocol error, then closes once it is out.
  void Reject(const std::string& why);

  // Any thread may shut the socket down, and the last thread closes it:
  // both under the mutex, which is never held while the socket blocks.
  net::Socket socket_;
  const int number_;
  std::mutex mutex_;
  int threads_running_ = 0;
  std::condition_variable wake_writer_;
  std::deque<std::vector<uint8_t>> outbox_;
  size_t unsent_bytes_ = 0;
  bool closed_ = false;
  bool close_when_sent_ = false;
  std::atomic<bool> reader_done_{false};
  std::atomic<bool> writer_done_{false};
  std::thread reader_;
  std::thread writer_;
};

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_UI_PORT_PEER_CONNECTION_H_
