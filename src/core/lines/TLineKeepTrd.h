#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "lines/LineNews.h"
#include "runtime/Clock.h"
#include "runtime/WorkerWait.h"

namespace kelbrin::lines {

class TBaseLine;

// The keep-alive worker of one line: while the line's KeepActive is on (and its kind can act),
// it checks the line every interval and brings it up when it is down. It sleeps untimed while
// there is nothing to do. A change of the machine's links brings the next check forward while the
// line was last seen up, so a dropped link is redialled at once; retries after a failed redial
// keep the interval's spacing, so a flapping link never makes it dial in a loop. What it finds is
// told once per change (up, lost, a dial's failure), never once per retry. Created by the line's
// Initialize; starts at once.
class TLineKeepTrd {
 public:
  using NewsSink = std::function<void(const LineNews& news)>;

  // `tell` (may be empty) hears the line's changes, on the worker's thread.
  TLineKeepTrd(TBaseLine& line, runtime::Clock& clock, runtime::Duration interval,
               NewsSink tell = {});
  ~TLineKeepTrd();
  TLineKeepTrd(const TLineKeepTrd&) = delete;
  TLineKeepTrd& operator=(const TLineKeepTrd&) = delete;

  // The line's KeepActive changed: the worker looks again.
  void Notify();
  // Any thread: an address or default route of the machine came or went.
  void LinkChanged();
  // Ends the worker and waits for it (a pass under way finishes first). Idempotent.
  void Stop();

 private:
  void Run();
  // One check: the line looked at, brought up when down, and the change told.
  void Pass();
  // Tells `change` unless it is what was told last.
  void Tell(LineChange change, int code = 0);

  TBaseLine& line_;
  runtime::Duration interval_;
  runtime::WorkerWait wait_;
  std::atomic<bool> linkChanged_{false};
  bool lastSeenUp_ = false;  // the worker's own: what its last check found
  NewsSink tell_;
  std::optional<LineNews> told_;  // the worker's own: the last news told
  std::thread thread_;
};

}  // namespace kelbrin::lines
