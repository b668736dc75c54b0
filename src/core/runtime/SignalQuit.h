#pragma once

#include <csignal>
#include <functional>
#include <thread>

#include "runtime/CoreEventLoop.h"

namespace kelbrin::runtime {

// While alive, SIGTERM and SIGINT end the given loop: the signal handler only writes the signal
// number into a pipe (self-pipe); a watcher thread reads it and posts a task that calls
// `onSignal` (if given) and then quit() on the loop's thread. One instance at a time, and the
// loop must outlive it; the previous signal dispositions come back on destruction.
class SignalQuit {
 public:
  explicit SignalQuit(CoreEventLoop& loop, std::function<void(int signo)> onSignal = {});
  ~SignalQuit();

  SignalQuit(const SignalQuit&) = delete;
  SignalQuit& operator=(const SignalQuit&) = delete;

 private:
  void watch();

  CoreEventLoop& loop_;
  std::function<void(int)> onSignal_;
  int readFd_ = -1;
  int writeFd_ = -1;
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
  std::thread watcher_;
};

}  // namespace kelbrin::runtime
