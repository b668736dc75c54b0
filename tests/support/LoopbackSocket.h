#pragma once

#include <poll.h>

#include <functional>
#include <span>
#include <string_view>
#include <thread>

namespace kelbrin::test {

// A listening TCP socket on a free port of 127.0.0.1; throws when there is none.
int ListenOnLoopback(int& port);

// A TCP connection to 127.0.0.1:port, or -1 when nothing accepts it.
int ConnectToLoopback(int port);

// Lets a test server's destructor end its thread wherever it waits: every wait also watches this
// signal, so no socket call is ever left blocking once it is raised.
class StopSignal {
 public:
  enum class Wait { Ready, TimedOut, Stopped };

  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  void raise();

  // Waits for `events` on `fd` (timeoutMs < 0: no time limit).
  Wait WaitFor(int fd, short events, int timeoutMs) const;
  // Waits for any of `fds` and fills their revents, like poll(2).
  Wait WaitFor(std::span<pollfd> fds, int timeoutMs) const;
  // False when the peer went away or the signal was raised first.
  bool sendAll(int fd, std::string_view data) const;
  // Copies bytes both ways between two plain sockets until either side closes.
  void pump(int a, int b) const;

 private:
  int fds_[2] = {-1, -1};  // written once by raise()
};

// The listening side of a test server: a socket on a free port of 127.0.0.1 and one thread that
// accepts connections and hands each to `serve`, one at a time. Destruction raises `stop`, so a
// `serve` that waits through it returns, then joins the thread. Declare it after everything
// `serve` uses, so that it goes first.
class LoopbackAcceptor {
 public:
  LoopbackAcceptor(StopSignal& stop, std::function<void(int fd)> serve);
  ~LoopbackAcceptor();
  LoopbackAcceptor(const LoopbackAcceptor&) = delete;
  LoopbackAcceptor& operator=(const LoopbackAcceptor&) = delete;

  int port() const { return port_; }

 private:
  void run();

  StopSignal& stop_;
  std::function<void(int fd)> serve_;
  int port_ = 0;
  int listenFd_;
  std::thread thread_;
};

}  // namespace kelbrin::test
