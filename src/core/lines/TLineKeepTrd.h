#pragma once

#include <thread>

#include "runtime/Clock.h"
#include "runtime/WorkerWait.h"

namespace kelbrin::lines {

class TBaseLine;

// The keep-alive worker of one line: while the line's KeepActive is on (and its kind can act),
// it checks the line every interval and brings it up when it is down. It sleeps untimed while
// there is nothing to do. Created by the line's Initialize; starts at once.
class TLineKeepTrd {
 public:
  TLineKeepTrd(TBaseLine& line, runtime::Clock& clock, runtime::Duration interval);
  ~TLineKeepTrd();
  TLineKeepTrd(const TLineKeepTrd&) = delete;
  TLineKeepTrd& operator=(const TLineKeepTrd&) = delete;

  // The line's KeepActive changed: the worker looks again.
  void Notify();
  // Ends the worker and waits for it (a pass under way finishes first). Idempotent.
  void Stop();

 private:
  void Run();

  TBaseLine& line_;
  runtime::Duration interval_;
  runtime::WorkerWait wait_;
  std::thread thread_;
};

}  // namespace kelbrin::lines
