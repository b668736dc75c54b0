#include "LoopbackSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kelbrin::test {

namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

}  // namespace

int ListenOnLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return fd;
}

int ConnectToLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const sockaddr_in address = LoopbackAddress(port);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

StopSignal::StopSignal() {
  if (pipe2(fds_, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
}

StopSignal::~StopSignal() {
  close(fds_[0]);
  close(fds_[1]);
}

void StopSignal::raise() {
  const char stop = 's';
  (void)!write(fds_[1], &stop, 1);
}

StopSignal::Wait StopSignal::WaitFor(int fd, short events, int timeoutMs) const {
  pollfd polled{fd, events, 0};
  return WaitFor(std::span(&polled, 1), timeoutMs);
}

StopSignal::Wait StopSignal::WaitFor(std::span<pollfd> fds, int timeoutMs) const {
  std::vector<pollfd> all(fds.begin(), fds.end());
  all.push_back({fds_[0], POLLIN, 0});
  int ready = 0;
  do {
    ready = poll(all.data(), all.size(), timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0 || all.back().revents != 0) return Wait::Stopped;
  for (std::size_t i = 0; i < fds.size(); ++i) fds[i].revents = all[i].revents;
  return ready == 0 ? Wait::TimedOut : Wait::Ready;
}

bool StopSignal::sendAll(int fd, std::string_view data) const {
  while (!data.empty()) {
    if (WaitFor(fd, POLLOUT, -1) != Wait::Ready) return false;
    const ssize_t sent = send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (sent <= 0) return false;  // the peer went away
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void StopSignal::pump(int a, int b) const {
  char buffer[65536];
  pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
  while (WaitFor(fds, -1) == Wait::Ready) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      const ssize_t got = recv(fds[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (got <= 0) return;  // one side closed: the exchange is over
      if (!sendAll(fds[1 - i].fd, std::string_view(buffer, static_cast<std::size_t>(got)))) return;
    }
  }
}

LoopbackAcceptor::LoopbackAcceptor(StopSignal& stop, std::function<void(int fd)> serve)
    : stop_(stop), serve_(std::move(serve)), listenFd_(ListenOnLoopback(port_)) {
  thread_ = std::thread([this] { run(); });
}

LoopbackAcceptor::~LoopbackAcceptor() {
  stop_.raise();
  thread_.join();
  close(listenFd_);
}

void LoopbackAcceptor::run() {
  // A write to a client that has left must fail, not raise SIGPIPE in the test process (OpenSSL,
  // for one, writes to the socket without MSG_NOSIGNAL).
  sigset_t sigpipe;
  sigemptyset(&sigpipe);
  sigaddset(&sigpipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &sigpipe, nullptr);
  while (stop_.WaitFor(listenFd_, POLLIN, -1) == StopSignal::Wait::Ready) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    serve_(fd);
    close(fd);
  }
}

}  // namespace kelbrin::test
