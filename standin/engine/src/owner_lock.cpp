#include "owner_lock.h"

namespace standin::internal {

void OwnerLock::Lock() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> guard(mutex_);
  released_.wait(guard, [&] { return depth_ == 0 || owner_ == self; });
  owner_ = self;
  ++depth_;
}

bool OwnerLock::Unlock() {
  std::unique_lock<std::mutex> guard(mutex_);
  if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
  if (--depth_ == 0) {
    owner_ = std::thread::id();
    guard.unlock();
    released_.notify_all();
  }
  return true;
}

bool OwnerLock::Held() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return depth_ > 0;
}

}  // namespace standin::internal
