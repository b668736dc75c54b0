#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kelbrin::platform {

// A program started in the background (argv[0] looked up on PATH, no shell, standard streams on
// /dev/null) that the caller checks on now and then. A process still running when its owner goes
// is killed and reaped, so none is left behind.
class SpawnedProcess {
 public:
  // nullopt when the program cannot be started (not found, not executable).
  static std::optional<SpawnedProcess> Start(const std::vector<std::string>& argv);

  SpawnedProcess(SpawnedProcess&& other) noexcept;
  SpawnedProcess& operator=(SpawnedProcess&&) = delete;
  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;
  ~SpawnedProcess();

  // Waits at most `timeout` for the end: its exit code, -1 when a signal ended it, nullopt while
  // it still runs. After the end it keeps answering the same.
  std::optional<int> Wait(std::chrono::milliseconds timeout);

 private:
  explicit SpawnedProcess(pid_t pid) : pid_(pid) {}

  pid_t pid_ = -1;
  std::optional<int> exit_;
};

}  // namespace kelbrin::platform
