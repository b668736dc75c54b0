#pragma once

#include <csignal>
#include <functional>
#include <thread>

#include "runtime/EventLoop.h"

namespace kelbrin::runtime {

// While alive, SIGTERM and SIGINT reach the given loop as a task: the signal handler only writes
// the signal number into a pipe (self-pipe); a watcher thread reads it and posts a task that
// calls `quit` on the loop's thread, which ends the loop its own way (the core loop's quit(), the
// Qt application's exit). Given `hangUp`, SIGHUP reaches it the same way (a service's reload).
// One instance at a time, and the loop must outlive it; the previous signal dispositions come
// back on destruction.
class SignalQuit {
 public:
  SignalQuit(EventLoop& loop, std::function<void(int signo)> quit,
             std::function<void()> hangUp = {});
  ~SignalQuit();

  SignalQuit(const SignalQuit&) = delete;
  SignalQuit& operator=(const SignalQuit&) = delete;

 private:
  void Watch();

  EventLoop& loop_;
  std::function<void(int)> quit_;
  std::function<void()> hangUp_;
  int readFd_ = -1;
  int writeFd_ = -1;
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
  struct sigaction previousHangUp_ {};
  std::thread watcher_;
};

}  // namespace kelbrin::runtime
