#pragma once

#include <istream>
#include <optional>
#include <string>

namespace kelbrin::app {

// Reads one line from `in` as a password, without the line end. When `fd` is a terminal, echo is
// off while the line is typed. No value when the input ends before anything was read.
std::optional<std::string> ReadPasswordLine(std::istream& in, int fd);

}  // namespace kelbrin::app
