#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelbrin::platform {

// How a child is started. Standard input and error are /dev/null; standard output is /dev/null
// or, with `captureOutput`, a pipe the owner reads through ChildProcess::Wait. `passFds` hands
// descriptors of this process to the child as (child's number, this process's descriptor), for
// a program that takes a secret or a log stream on a numbered descriptor (never argv or env).
struct ChildOptions {
  bool captureOutput = false;
  // The child leads a process group of its own, so that EndGroup also reaches the programs it
  // starts (a shell script's commands), which would otherwise outlive it and hold its output.
  bool ownProcessGroup = false;
  std::vector<std::pair<int, int>> passFds;
};

// One program started directly (argv[0] looked up on PATH, no shell). A child still running when
// its owner goes is killed and reaped, so none is left behind.
class ChildProcess {
 public:
  // nullopt when the program cannot be started (not found, not executable).
  static std::optional<ChildProcess> Start(const std::vector<std::string>& argv,
                                           const ChildOptions& options = {});

  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Waits at most `timeout` for the end, reading captured output meanwhile (at most 64 KiB is
  // kept): its exit code, -1 when a signal ended it, nullopt while it still runs. After the end
  // it keeps answering the same.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  const std::string& Output() const { return output_; }
  pid_t Pid() const { return pid_; }
  // Sends `signal` while the child has not been reaped.
  void Signal(int signal) const;
  // Kills the child's whole process group (the child alone without ownProcessGroup), stops
  // reading its output and reaps it: nothing it started can hold the owner any longer.
  void EndGroup();

 private:
  ChildProcess(pid_t pid, int outputFd, bool ownGroup)
      : pid_(pid), outputFd_(outputFd), ownGroup_(ownGroup) {}
  void ReadAvailable(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int outputFd_ = -1;
  bool ownGroup_ = false;
  std::string output_;
  std::optional<int> exit_;
};

struct ProcessOutput {
  int exitCode = 0;
  std::string standardOutput;
};

// Runs `argv` to its end and captures its standard output. nullopt when it cannot be started,
// dies from a signal, or is still running after `timeout`, in which case it is killed and reaped.
std::optional<ProcessOutput> RunProcess(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds timeout);

}  // namespace kelbrin::platform
