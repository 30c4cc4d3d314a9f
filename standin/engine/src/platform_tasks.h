// The platform thread's task queue: everything the engine calls the host
// back with is queued here and run by whichever thread pumps.
#ifndef STANDIN_ENGINE_PLATFORM_TASKS_H_
#define STANDIN_ENGINE_PLATFORM_TASKS_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace standin::internal {

class PlatformTasks {
 public:
  using Task = std::function<void()>;

  // Any thread. The wake-up hook runs after the task is queued, outside the
  // queue's lock; it must not call back into the engine core.
  void Post(Task task);
  // Runs tasks on the calling thread until the queue is empty.
  size_t Pump();
  bool WaitForWork(std::chrono::milliseconds timeout);
  void SetWakeUp(std::function<void()> wake_up);
  // Drops queued tasks without running them.
  void Clear();

 private:
  std::mutex mutex_;
  std::condition_variable queued_;
  int waiting_ = 0;  // threads in WaitForWork; Post notifies only when some wait
  std::deque<Task> tasks_;
  std::function<void()> wake_up_;
};

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_PLATFORM_TASKS_H_
