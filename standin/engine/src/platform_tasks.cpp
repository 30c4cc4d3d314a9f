#include "platform_tasks.h"

#include <utility>

namespace standin::internal {

void PlatformTasks::Post(Task task) {
  std::function<void()> wake_up;
  bool anyone_waiting;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    tasks_.push_back(std::move(task));
    if (wake_up_) wake_up = wake_up_;
    anyone_waiting = waiting_ > 0;
  }
  if (anyone_waiting) queued_.notify_all();
  if (wake_up) wake_up();
}

size_t PlatformTasks::Pump() {
  size_t ran = 0;
  for (;;) {
    Task task;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (tasks_.empty()) return ran;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    ++ran;
  }
}

bool PlatformTasks::WaitForWork(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> guard(mutex_);
  ++waiting_;
  const bool queued = queued_.wait_for(guard, timeout, [&] { return !tasks_.empty(); });
  --waiting_;
  return queued;
}

void PlatformTasks::SetWakeUp(std::function<void()> wake_up) {
  std::lock_guard<std::mutex> guard(mutex_);
  wake_up_ = std::move(wake_up);
}

void PlatformTasks::Clear() {
  std::deque<Task> dropped;
  std::lock_guard<std::mutex> guard(mutex_);
  dropped.swap(tasks_);
}

}  // namespace standin::internal
