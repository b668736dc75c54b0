#pragma once

#include <istream>
#include <ostream>
#include <span>
#include <string_view>

namespace kelbrin::app {

// The whole program after argv has been split: parses the options, applies the process-wide
// settings (endpoint, settings folder, pace) and runs the chosen command. `in` is standard
// input and `inFd` its descriptor (for reading a password without echo). Returns the exit status.
int RunClient(std::span<const std::string_view> args, std::istream& in, int inFd, std::ostream& out,
              std::ostream& err);

}  // namespace kelbrin::app
