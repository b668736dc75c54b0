#pragma once

#include <dirent.h>
#include <unistd.h>

#include <deque>
#include <fstream>
#include <functional>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "lines/TDialUp.h"
#include "platform/dialup/PppdLog.h"

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

// One asynchronous event of a dialer: state, error code and text.
struct DialEvent {
  int state;
  int error;
  std::string text;
  bool operator==(const DialEvent&) const = default;
};

inline void PrintTo(const DialEvent& event, std::ostream* out) {
  *out << "{" << event.state << ", " << event.error << ", \"" << event.text << "\"}";
}

// What a dialer told its owner: the callbacks as text in `calls`, the asynchronous events in
// `events`.
struct DialRecorder {
  std::vector<std::string> calls;
  std::vector<DialEvent> events;

  void Attach(TDialUp& dialer) {
    dialer.OnDialing = [this](TDialUp&) { calls.push_back("dialing"); };
    dialer.OnConnect = [this](TDialUp&) { calls.push_back("connect"); };
    dialer.OnNotConnected = [this](TDialUp&, int code, const std::string& text) {
      calls.push_back("not connected " + std::to_string(code) + " " + text);
    };
    dialer.OnError = [this](TDialUp&, int code, const std::string& text) {
      calls.push_back("error " + std::to_string(code) + " " + text);
    };
    dialer.OnAsyncEvent = [this](TDialUp&, int state, int error, const std::string& text) {
      events.push_back({state, error, text});
    };
  }

  // Runs posted deliveries until an event ends the asynchronous dial (connected or an error).
  void DeliverUntilDialEnds(PostedTasks& tasks) {
    for (int round = 0; round < 1000; ++round) {
      tasks.RunPending();
      if (!events.empty() &&
          (events.back().state == platform::kDialConnected || events.back().error != 0)) {
        return;
      }
      ::usleep(5000);
    }
  }
};

// Every process's argv and environment, as /proc shows them: where a secret must never appear.
inline std::vector<std::pair<std::string, std::string>> ProcessArgvAndEnv() {
  std::vector<std::pair<std::string, std::string>> found;
  DIR* proc = ::opendir("/proc");
  if (!proc) return found;
  while (const dirent* item = ::readdir(proc)) {
    const std::string name = item->d_name;
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto read = [&name](const char* what) {
      std::ifstream in("/proc/" + name + "/" + what, std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      return text.str();
    };
    found.emplace_back(read("cmdline"), read("environ"));
  }
  ::closedir(proc);
  return found;
}

}  // namespace kelbrin::lines::test
