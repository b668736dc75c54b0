#include "platform/systemd/SystemdNotify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kelbrin::platform {
namespace {

std::string TakeEnvironmentSocket() {
  const char* value = std::getenv("NOTIFY_SOCKET");
  if (value == nullptr) return {};
  std::string socket(value);
  ::unsetenv("NOTIFY_SOCKET");
  return socket;
}

// Only unix sockets are spoken to; a vsock address or a path too long for sun_path is ignored.
bool Usable(const std::string& address) {
  return address.size() >= 2 && (address.front() == '/' || address.front() == '@') &&
         address.size() < sizeof(sockaddr_un::sun_path);
}

}  // namespace

SystemdNotify::SystemdNotify() : SystemdNotify(TakeEnvironmentSocket()) {}

SystemdNotify::SystemdNotify(std::string socketAddress)
    : address_(Usable(socketAddress) ? std::move(socketAddress) : std::string()) {
  if (Active()) fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

SystemdNotify::~SystemdNotify() {
  if (fd_ >= 0) ::close(fd_);
}

bool SystemdNotify::Status(std::string_view text) {
  std::string message = "STATUS=";
  for (const char c : text) message += (c == '\n' || c == '\r') ? ' ' : c;
  return Send(message);
}

bool SystemdNotify::Send(std::string_view message) {
  if (fd_ < 0) return false;
  sockaddr_un peer{};
  peer.sun_family = AF_UNIX;
  std::memcpy(peer.sun_path, address_.data(), address_.size());
  // An abstract address starts with a NUL byte and is exactly as long as its name.
  if (address_.front() == '@') peer.sun_path[0] = '\0';
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address_.size());
  for (;;) {
    const ssize_t sent = ::sendto(fd_, message.data(), message.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&peer), length);
    if (sent >= 0) return static_cast<std::size_t>(sent) == message.size();
    if (errno != EINTR) return false;
  }
}

}  // namespace kelbrin::platform
