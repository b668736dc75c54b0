#include "app/entry/PasswordInput.h"

#include <termios.h>
#include <unistd.h>

#include <string>

#include "runtime/Translate.h"

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

PasswordLine ReadPasswordLine(std::istream& in, int fd) {
  EchoOff echoOff(fd);
  PasswordLine result;
  std::string& line = result.password;
  bool ended = false;    // by a line end, not by the end of the input
  bool tooLong = false;  // reading stopped at the limit
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    if (c == '\n') {
      ended = true;
      break;
    }
    // One byte beyond the limit is allowed for the '\r' of a "\r\n" line end.
    if (line.size() > kMaxPasswordLength) {
      tooLong = true;
      break;
    }
    line += static_cast<char>(c);
  }
  if (!ended && line.empty()) {
    result.error = runtime::Translate("no password on standard input");
    return result;
  }
  if (!tooLong && !line.empty() && line.back() == '\r') line.pop_back();
  if (tooLong || line.size() > kMaxPasswordLength) {
    result.error = runtime::Translate("the password line is longer than %1 bytes",
                                      {std::to_string(kMaxPasswordLength)});
  } else if (line.find('\0') != std::string::npos) {
    result.error = runtime::Translate("the password holds a NUL byte");
  }
  if (!result.error.empty()) line.clear();
  return result;
}

}  // namespace kelbrin::app
