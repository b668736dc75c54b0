#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/process/ChildProcess.h"

namespace kelbrin::platform {

// One pppd started to dial (see Pppd::StartDial). pppd runs with `updetach`: the started process
// ends with status 0 once the link is up (the link's own pppd carries on in the background) or
// with its failure status. Its log lines arrive on a pipe (`logfd`). The password travels in a
// one-read options file in a private folder, removed as soon as pppd has logged its first line
// (it reads all options before that) and at the latest when this object goes.
class PppdDial {
 public:
  PppdDial(ChildProcess child, int logFd, std::filesystem::path optionsFile);
  ~PppdDial();
  PppdDial(const PppdDial&) = delete;
  PppdDial& operator=(const PppdDial&) = delete;

  // Waits at most `timeout` for log lines or the end of the started pppd; hands every complete
  // line to `onLine`. nullopt while it runs, its exit status (-1 for a signal) once it ended.
  std::optional<int> Step(std::chrono::milliseconds timeout,
                          const std::function<void(std::string_view)>& onLine);

  // Asks the started pppd to give up (SIGTERM); a pppd still running when this object goes is
  // killed.
  void Cancel() const;

  pid_t Pid() const { return child_.Pid(); }

 private:
  void ReadLog(std::chrono::milliseconds timeout,
               const std::function<void(std::string_view)>& onLine);
  void RemoveOptionsFile();

  ChildProcess child_;
  int logFd_;
  std::filesystem::path optionsFile_;
  std::string pending_;
};

}  // namespace kelbrin::platform
