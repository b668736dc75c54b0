#include "app/QtSignalQuit.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <system_error>

namespace kelbrin::app {
namespace {

std::atomic<int> gSignalPipe{-1};

extern "C" void forwardSignalToQt(int signo) {
  const int savedErrno = errno;
  if (const int fd = gSignalPipe.load(); fd >= 0) {
    const auto byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

void Install(int signo, struct sigaction* previous) {
  struct sigaction action {};
  action.sa_handler = forwardSignalToQt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(signo, &action, previous) != 0) {
    throw std::system_error(errno, std::generic_category(), "sigaction");
  }
}

}  // namespace

QtSignalQuit::QtSignalQuit() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  readFd_ = fds[0];
  writeFd_ = fds[1];
  gSignalPipe.store(writeFd_);
  notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &QtSignalQuit::onReadable);
  Install(SIGTERM, &previousTerm_);
  Install(SIGINT, &previousInt_);
}

QtSignalQuit::~QtSignalQuit() {
  ::sigaction(SIGTERM, &previousTerm_, nullptr);
  ::sigaction(SIGINT, &previousInt_, nullptr);
  gSignalPipe.store(-1);
  delete notifier_;
  ::close(readFd_);
  ::close(writeFd_);
}

void QtSignalQuit::onReadable() {
  unsigned char byte = 0;
  bool signalled = false;
  while (::read(readFd_, &byte, 1) == 1) signalled = true;
  // exit(), not quit(): a quit asks the windows to close first, and the main window refuses
  // (closing only hides it to the tray).
  if (signalled) QCoreApplication::exit(0);
}

}  // namespace kelbrin::app
