#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace kelbrin::app {

// Far longer than any password; more is not a password, and is not read into memory.
inline constexpr std::size_t kMaxPasswordLength = 4096;

struct PasswordLine {
  std::string password;
  // Empty when `password` holds the line; otherwise one line that says what is wrong.
  std::string error;
};

// Reads one line from `in` as a password, without the line end ("\n" or "\r\n"). When `fd` is a
// terminal, echo is off while the line is typed. An error when the input ends before anything
// was read, when the line is longer than kMaxPasswordLength bytes (reading stops there) or when
// it holds a NUL byte.
PasswordLine ReadPasswordLine(std::istream& in, int fd);

}  // namespace kelbrin::app
