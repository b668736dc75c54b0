#include "platform/sockets/TcpConnection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kelbrin::platform {

namespace {

// Starts a connection to `address` and waits for it until `giveUpAt`; the socket, or -1.
int ConnectOne(const SocketAddress& address, const IoBounds& exchange, SteadyTime giveUpAt) {
  const int fd = ::socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  // The request goes out in one piece anyway; the reply must not wait for a delayed ACK.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length);
  if (result != 0 && (errno == EINPROGRESS || errno == EINTR)) {
    IoBounds attempt = exchange;
    attempt.SetDeadline(std::min(giveUpAt, exchange.GiveUpAt()));
    int error = 0;
    socklen_t length = sizeof error;
    result = attempt.WaitFor(fd, POLLOUT) == IoBounds::Wait::Ready &&
                     ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0
                 ? 0
                 : -1;
  }
  if (result != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::unique_ptr<TcpConnection> TcpConnection::Open(const std::vector<SocketAddress>& addresses,
                                                   const IoBounds& bounds) {
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (bounds.Aborted()) return nullptr;
    const auto now = std::chrono::steady_clock::now();
    const auto left = bounds.GiveUpAt() - now;
    if (left <= SteadyTime::duration::zero()) return nullptr;
    const bool last = i + 1 == addresses.size();
    const int fd = ConnectOne(addresses[i], bounds, last ? bounds.GiveUpAt() : now + left / 2);
    if (fd >= 0) return std::unique_ptr<TcpConnection>(new TcpConnection(fd));
  }
  return nullptr;
}

TcpConnection::~TcpConnection() { ::close(fd_); }

bool TcpConnection::SendAll(std::string_view data, IoBounds& bounds) {
  while (!data.empty()) {
    if (bounds.Check() != IoBounds::Wait::Ready) return false;
    const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      data.remove_prefix(static_cast<std::size_t>(sent));
      bounds.Progress();
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (bounds.WaitFor(fd_, POLLOUT) != IoBounds::Wait::Ready) return false;
    } else {
      return false;  // the peer went away
    }
  }
  return true;
}

std::optional<std::size_t> TcpConnection::Receive(std::span<char> buffer, IoBounds& bounds) {
  for (;;) {
    if (bounds.Check() != IoBounds::Wait::Ready) return std::nullopt;
    const ssize_t got = ::recv(fd_, buffer.data(), buffer.size(), 0);
    if (got >= 0) {
      if (got > 0) bounds.Progress();
      return static_cast<std::size_t>(got);
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return std::nullopt;
    if (bounds.WaitFor(fd_, POLLIN) != IoBounds::Wait::Ready) return std::nullopt;
  }
}

}  // namespace kelbrin::platform
