#include "app/PasswordInput.h"

#include <termios.h>
#include <unistd.h>

namespace kelbrin::app {

namespace {

// Turns terminal echo off for its lifetime (nothing happens when `fd` is no terminal).
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (::isatty(fd_) == 0 || ::tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) ::tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

}  // namespace

std::optional<std::string> ReadPasswordLine(std::istream& in, int fd) {
  EchoOff echoOff(fd);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace kelbrin::app
