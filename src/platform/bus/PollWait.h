#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace kelbrin::platform {

// The idle wait of an event loop that also serves descriptors: it sleeps in poll() on the
// watched descriptors and an eventfd that Wake() makes readable, so a waiting loop costs no
// wake-ups at all. The watched descriptors' handlers run on the waiting thread.
class PollWait {
 public:
  struct Watch {
    int fd = -1;
    // Asked before every wait: the poll events wanted, and how long until the watch needs
    // serving anyway (none: no deadline of its own).
    std::function<short()> events;
    std::function<std::optional<std::chrono::milliseconds>()> timeout;
    // Runs after poll() returned for this descriptor or its timeout passed.
    std::function<void()> serve;
  };

  PollWait();  // throws std::system_error when no eventfd can be made
  ~PollWait();
  PollWait(const PollWait&) = delete;
  PollWait& operator=(const PollWait&) = delete;

  // Waiting thread only. Returns an id for Remove.
  int Add(Watch watch);
  void Remove(int id);

  // Waiting thread only. Blocks until Wake(), `timeout` (none: no limit) or a watch was served.
  void WaitFor(std::optional<std::chrono::milliseconds> timeout);
  // Any thread. A wake that comes before the wait ends the next wait at once.
  void Wake();

 private:
  int wakeFd_;
  std::vector<std::pair<int, Watch>> watches_;
  int nextId_ = 1;
};

}  // namespace kelbrin::platform
