#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "lines/TBaseLine.h"

namespace kelbrin::lines {

// Frees lines on a thread of its own, so that the holder's thread (the window's, on the desktop)
// never waits for a line's workers: a portal line's logins wait for their exchange, up to its
// time-out. A line handed in stops acting at once; its end follows in the order handed in. The
// thread starts with the first job. Any thread.
class LineReaper {
 public:
  LineReaper() = default;
  // Finishes every job handed in, then ends.
  ~LineReaper();
  LineReaper(const LineReaper&) = delete;
  LineReaper& operator=(const LineReaper&) = delete;

  // The line's keep-alive is off and a pass under way gives up before this returns; the line is
  // freed later on the reaper's thread.
  void Free(LinePtr line);
  // Runs `then` on the reaper's thread once every line handed in before it has been freed.
  void AfterFrees(std::function<void()> then);

 private:
  void Add(std::function<void()> job);
  void Run();

  std::mutex mutex_;
  std::condition_variable added_;
  std::deque<std::function<void()>> jobs_;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace kelbrin::lines
