#include "platform_tasks.h"

#include <utility>

namespace standin::internal {

void PlatformTasks::Post(Task task) {
  std::function<void()> wake_up;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    tasks_.push_back(std::move(task));
    wake_up = wake_up_;
  }
  queued_.notify_all();
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
  return queued_.wait_for(guard, timeout, [&] { return !tasks_.empty(); });
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
