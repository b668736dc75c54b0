#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kelbrin::platform {

struct ProcessOutput {
  int exitCode = 0;
  std::string standardOutput;
};

// Runs `argv` (argv[0] looked up on PATH) directly, without a shell; its stdin and stderr are
// /dev/null and its stdout is captured (at most 64 KiB). nullopt when it cannot be started, dies
// from a signal, or is still running after `timeout`, in which case it is killed and reaped.
std::optional<ProcessOutput> RunProcess(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds timeout);

}  // namespace kelbrin::platform
