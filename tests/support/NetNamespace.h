#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelbrin::test {

// A network namespace of the test's own, entered by one thread: `Run` starts a thread that
// unshares its network namespace (the rest of the process stays outside), brings its loopback up
// and runs `body` there. Threads and programs that body starts inherit the namespace. Needs root.
class NetNamespace {
 public:
  // Empty when namespaces can be made here; else why not (for GTEST_SKIP).
  static std::string Unavailable();

  // Runs `body` inside a fresh namespace and waits for it; false when none could be made.
  static bool Run(const std::function<void()>& body);

  // Runs the `ip` tool with `arguments` in the calling thread's namespace; true on exit 0.
  static bool Ip(const std::vector<std::string>& arguments);

  // Runs `ip` and returns its standard output (empty on failure).
  static std::string IpOutput(const std::vector<std::string>& arguments);
};

}  // namespace kelbrin::test
