#include "platform/process/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

namespace kelbrin::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::string_view kShow = "show\n";
constexpr std::string_view kOk = "ok\n";

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

std::optional<sockaddr_un> SocketAddress(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string text = path.string();
  if (text.size() >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  return address;
}

int MillisecondsLeft(SteadyClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on `fd` until the deadline; false on the deadline or an error.
bool WaitFor(int fd, short events, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0;
  }
}

bool SendAll(int fd, std::string_view text, SteadyClock::time_point deadline) {
  while (!text.empty()) {
    if (!WaitFor(fd, POLLOUT, deadline)) return false;
    const ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (sent <= 0) return false;
    text.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

// Reads one short line (up to and including '\n'); empty on the deadline, an error or EOF.
std::string ReceiveLine(int fd, SteadyClock::time_point deadline) {
  std::string line;
  char c = 0;
  while (line.size() < 64) {
    if (!WaitFor(fd, POLLIN, deadline)) return {};
    const ssize_t got = ::recv(fd, &c, 1, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return {};
    line.push_back(c);
    if (c == '\n') return line;
  }
  return {};
}

// The folder must belong to this user and be closed to everybody else, or another user could
// plant a socket that answers in our place.
bool IsPrivateFolder(const std::filesystem::path& folder) {
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

SingleInstance::SingleInstance(std::string name, std::filesystem::path folder)
    : name_(std::move(name)), folder_(folder.empty() ? RuntimeFolder() : std::move(folder)) {}

SingleInstance::~SingleInstance() {
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(SocketPath().c_str());
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

std::filesystem::path SingleInstance::RuntimeFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
    return runtime;
  }
  std::filesystem::path folder = "/tmp/kelbrin-client-" + std::to_string(::geteuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    ThrowErrno("cannot create " + folder.string());
  }
  if (!IsPrivateFolder(folder)) {
    throw std::system_error(std::make_error_code(std::errc::permission_denied),
                            folder.string() + " is not a private folder of this user");
  }
  return folder;
}

std::filesystem::path SingleInstance::LockPath() const { return folder_ / (name_ + ".lock"); }

std::filesystem::path SingleInstance::SocketPath() const { return folder_ / (name_ + ".socket"); }

bool SingleInstance::HandOver(std::chrono::milliseconds timeout) const {
  const auto address = SocketAddress(SocketPath());
  if (!address) return false;
  const Fd socketFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (socketFd.get() < 0) return false;
  // A local stream connect completes at once or fails (no listener, full backlog).
  if (::connect(socketFd.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) !=
      0) {
    return false;
  }
  const auto deadline = SteadyClock::now() + timeout;
  return SendAll(socketFd.get(), kShow, deadline) && ReceiveLine(socketFd.get(), deadline) == kOk;
}

bool SingleInstance::Acquire() {
  if (!Lock()) return false;
  Listen();
  return true;
}

SingleInstance::Start SingleInstance::AcquireOrHandOver(std::chrono::milliseconds bound) {
  constexpr std::chrono::milliseconds kRetryPause{20};
  const auto deadline = SteadyClock::now() + bound;
  for (;;) {
    if (Acquire()) return Start::Owner;
    // The holder may be starting: its socket comes once it has the lock, its answer once its
    // event loop runs.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return Start::NoAnswer;
    if (HandOver(left)) return Start::HandedOver;
    ::poll(nullptr, 0, static_cast<int>(std::min(kRetryPause, left).count()));
  }
}

bool SingleInstance::Lock() {
  Fd lock(::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (lock.get() < 0) ThrowErrno("cannot open " + LockPath().string());
  if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return false;
    ThrowErrno("cannot lock " + LockPath().string());
  }
  lockFd_ = lock.release();
  return true;
}

void SingleInstance::Listen() {
  const auto address = SocketAddress(SocketPath());
  if (!address) {
    throw std::system_error(std::make_error_code(std::errc::filename_too_long),
                            SocketPath().string());
  }
  // Holding the lock, whatever socket file is left belongs to an instance that has ended.
  ::unlink(SocketPath().c_str());
  Fd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (listener.get() < 0) ThrowErrno("cannot create a local socket");
  if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
    ThrowErrno("cannot bind " + SocketPath().string());
  }
  ::chmod(SocketPath().c_str(), 0600);
  if (::listen(listener.get(), 8) != 0) ThrowErrno("cannot listen on " + SocketPath().string());
  listenFd_ = listener.release();
}

void SingleInstance::ServePending(const std::function<void()>& onShow,
                                  std::chrono::milliseconds timeout) {
  if (listenFd_ < 0) return;
  for (;;) {
    const Fd peer(::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (peer.get() < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN: nobody else is waiting
    }
    const auto deadline = SteadyClock::now() + timeout;
    if (ReceiveLine(peer.get(), deadline) != kShow) continue;
    onShow();
    SendAll(peer.get(), kOk, deadline);
  }
}

}  // namespace kelbrin::platform
