#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "lines/TDialUp.h"

namespace kelbrin::lines::test {

// The controller's thread of a dialer test: posted tasks queue up until the test runs them.
class PostedTasks {
 public:
  TDialUp::Post Post() {
    return [this](std::function<void()> task) {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      maxQueued_ = std::max(maxQueued_, tasks_.size());
    };
  }

  // Runs the queued tasks; false when there was none.
  bool RunPending() {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
    return !tasks.empty();
  }

  std::size_t MaxQueued() const {
    std::lock_guard lock(mutex_);
    return maxQueued_;
  }

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  std::size_t maxQueued_ = 0;
};

}  // namespace kelbrin::lines::test
