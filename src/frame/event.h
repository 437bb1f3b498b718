// An unnamed manual-reset event: the only way the job threads signal each
// other. Set wakes every waiter and stays set until Reset.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tarvik::frame {

class ManualResetEvent {
 public:
  void Set() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = false;
  }
  bool IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return set_;
  }
  // True when the event was set within the time limit.
  bool WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return set_; });
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return set_; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

}  // namespace tarvik::frame
