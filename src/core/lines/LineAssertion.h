#pragma once

#include <stdexcept>
#include <string>

namespace kelbrin::lines {

// A programming error in the line model (an impossible line type, a missing list), named after
// the module that found it so the message says where.
class LineAssertion : public std::logic_error {
 public:
  LineAssertion(const std::string& module, const std::string& what)
      : std::logic_error("Assertion failed (" + module + "): " + what), module_(module) {}
  const std::string& Module() const { return module_; }

 private:
  std::string module_;
};

}  // namespace kelbrin::lines
