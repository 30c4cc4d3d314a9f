// The messenger lock that the host takes around its availability test and
// response. Recursive, so that a thread already holding it (for instance the
// platform thread answering inside a handler) may take it again; it knows its
// owner, so an unlock by a thread that does not hold it is refused instead
// of being undefined behaviour.
#ifndef STANDIN_ENGINE_OWNER_LOCK_H_
#define STANDIN_ENGINE_OWNER_LOCK_H_

#include <condition_variable>
#include <mutex>
#include <thread>

namespace standin::internal {

class OwnerLock {
 public:
  void Lock();
  // False (and nothing released) when the calling thread does not hold it.
  bool Unlock();
  // Whether any thread holds it. Never waits for the lock itself, so it may
  // be asked under the core mutex.
  bool Held() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable released_;
  std::thread::id owner_;
  int depth_ = 0;
};

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_OWNER_LOCK_H_
