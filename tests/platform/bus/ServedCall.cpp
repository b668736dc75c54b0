#include "ServedCall.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <exception>

#include "ChildRun.h"

namespace kelbrin::test {

namespace {

// The child: drops to `uid`, connects, calls, writes what came back into `out`.
[[noreturn]] void Caller(int out, const std::string& address, std::optional<uid_t> uid,
                         const std::function<std::string(BusProbe&)>& calls) {
  std::string result;
  if (uid && (setgroups(0, nullptr) != 0 || setgid(*uid) != 0 || setuid(*uid) != 0)) {
    result = "child: cannot become uid " + std::to_string(*uid);
  } else {
    try {
      BusProbe probe(address);
      result = calls(probe);
    } catch (const std::exception& failure) {
      result = std::string("child: ") + failure.what();
    }
  }
  for (std::size_t sent = 0; sent < result.size();) {
    const ssize_t written = write(out, result.data() + sent, result.size() - sent);
    if (written <= 0) break;
    sent += static_cast<std::size_t>(written);
  }
  _exit(0);
}

}  // namespace

std::string CallWhileServing(platform::BusService& service, const std::string& address,
                             std::optional<uid_t> uid,
                             const std::function<std::string(BusProbe&)>& calls) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    Caller(pipeFds[1], address, uid, calls);
  }
  close(pipeFds[1]);
  if (child < 0) {
    close(pipeFds[0]);
    return "no child";
  }
  // Serves the service until the child has said everything (its end of the pipe closes); the
  // guard only keeps a broken test from hanging.
  std::string result;
  const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool open = true;
  while (open && std::chrono::steady_clock::now() < guard) {
    pollfd fds[] = {{pipeFds[0], POLLIN, 0}, {service.Fd(), service.Events(), 0}};
    const auto wait = std::min(service.Timeout().value_or(std::chrono::milliseconds(100)),
                               std::chrono::milliseconds(100));
    poll(fds, 2, static_cast<int>(wait.count()));
    if (!service.Process()) result += "[service lost its bus]";
    if ((fds[0].revents & (POLLIN | POLLHUP)) != 0) {
      char buffer[4096];
      const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
      if (got > 0) result.append(buffer, static_cast<std::size_t>(got));
      open = got > 0;
    }
  }
  close(pipeFds[0]);
  if (open) result += "[child did not finish]";
  EndWithin(child, open ? SIGKILL : 0, std::chrono::seconds(5));
  return result;
}

}  // namespace kelbrin::test
