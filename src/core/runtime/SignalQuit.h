#pragma once

#include <csignal>
#include <functional>
#include <thread>

#include "runtime/EventLoop.h"

namespace kelbrin::runtime {

// While alive, SIGTERM and SIGINT reach the given loop as a task: the signal handler only writes
// the signal number into a pipe (self-pipe); a watcher thread reads it and posts a task that
// calls `quit` on the loop's thread, which ends the loop its own way (the core loop's quit(), the
// Qt application's exit). One instance at a time, and the loop must outlive it; the previous
// signal dispositions come back on destruction.
class SignalQuit {
 public:
  SignalQuit(EventLoop& loop, std::function<void(int signo)> quit);
  ~SignalQuit();

  SignalQuit(const SignalQuit&) = delete;
  SignalQuit& operator=(const SignalQuit&) = delete;

 private:
  void Watch();

  EventLoop& loop_;
  std::function<void(int)> quit_;
  int readFd_ = -1;
  int writeFd_ = -1;
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
  std::thread watcher_;
};

}  // namespace kelbrin::runtime
