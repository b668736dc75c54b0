#pragma once

#include <poll.h>

#include <span>
#include <string_view>

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
  Wait waitFor(int fd, short events, int timeoutMs) const;
  // Waits for any of `fds` and fills their revents, like poll(2).
  Wait waitFor(std::span<pollfd> fds, int timeoutMs) const;
  // False when the peer went away or the signal was raised first.
  bool sendAll(int fd, std::string_view data) const;
  // Copies bytes both ways between two plain sockets until either side closes.
  void pump(int a, int b) const;

 private:
  int fds_[2] = {-1, -1};  // written once by raise()
};

}  // namespace kelbrin::test
