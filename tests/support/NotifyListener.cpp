#include "NotifyListener.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace kelbrin::test {

NotifyListener::NotifyListener(std::filesystem::path path) : path_(std::move(path)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string text = path_.string();
  if (text.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (fd_ >= 0) ::close(fd_);
    throw std::runtime_error("cannot bind " + text);
  }
}

NotifyListener::~NotifyListener() {
  ::close(fd_);
  ::unlink(path_.c_str());
}

std::optional<std::string> NotifyListener::Receive(std::chrono::milliseconds guard) {
  pollfd ready{fd_, POLLIN, 0};
  if (::poll(&ready, 1, static_cast<int>(guard.count())) != 1) return std::nullopt;
  char buffer[4096];
  const ssize_t size = ::recv(fd_, buffer, sizeof buffer, 0);
  if (size < 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(size));
}

}  // namespace kelbrin::test
