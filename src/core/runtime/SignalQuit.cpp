#include "runtime/SignalQuit.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cerrno>
#include <system_error>

namespace kelbrin::runtime {

namespace {

std::atomic<int> gSignalPipe{-1};

// Byte written by the destructor to end the watcher; signal numbers are never 0.
constexpr unsigned char kEndWatch = 0;

extern "C" void ForwardSignal(int signo) {
  const int savedErrno = errno;
  const int fd = gSignalPipe.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

void Install(int signo, struct sigaction* previous) {
  struct sigaction action {};
  action.sa_handler = ForwardSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(signo, &action, previous) != 0) {
    throw std::system_error(errno, std::generic_category(), "sigaction");
  }
}

}  // namespace

SignalQuit::SignalQuit(EventLoop& loop, std::function<void(int)> quit,
                       std::function<void()> hangUp)
    : loop_(loop), quit_(std::move(quit)), hangUp_(std::move(hangUp)) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  readFd_ = fds[0];
  writeFd_ = fds[1];
  // The handler must never block, even if the watcher falls behind.
  ::fcntl(writeFd_, F_SETFL, O_NONBLOCK);
  [[maybe_unused]] const int previousPipe = gSignalPipe.exchange(writeFd_);
  assert(previousPipe == -1 && "one SignalQuit at a time");
  Install(SIGTERM, &previousTerm_);
  Install(SIGINT, &previousInt_);
  if (hangUp_) Install(SIGHUP, &previousHangUp_);
  watcher_ = std::thread([this] { Watch(); });
}

SignalQuit::~SignalQuit() {
  ::sigaction(SIGTERM, &previousTerm_, nullptr);
  ::sigaction(SIGINT, &previousInt_, nullptr);
  if (hangUp_) ::sigaction(SIGHUP, &previousHangUp_, nullptr);
  gSignalPipe.store(-1);
  // Blocking write: the end marker must arrive even when the pipe is full of signals.
  ::fcntl(writeFd_, F_SETFL, 0);
  [[maybe_unused]] const ssize_t written = ::write(writeFd_, &kEndWatch, 1);
  watcher_.join();
  ::close(readFd_);
  ::close(writeFd_);
}

void SignalQuit::Watch() {
  for (;;) {
    unsigned char byte = 0;
    const ssize_t got = ::read(readFd_, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || byte == kEndWatch) return;
    const int signo = byte;
    // Copies only: the task may run after this object is gone.
    if (signo == SIGHUP) {
      loop_.Post([hangUp = hangUp_] { hangUp(); });
    } else {
      loop_.Post([quit = quit_, signo] { quit(signo); });
    }
  }
}

}  // namespace kelbrin::runtime
