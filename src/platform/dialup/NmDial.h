#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/dialup/DialAttempt.h"
#include "platform/process/ChildProcess.h"

namespace kelbrin::platform {

class NmDialUp;

// One `nmcli connection up` under way (see NmDialUp::StartDial). nmcli shows no progress on a
// pipe: the dial reports "connecting device" at its start and ends with nmcli: 0 once
// NetworkManager has activated the connection and its interface carries an address, else the
// code of the failure. NetworkManager goes on activating when nmcli is gone, so a failed, a
// cancelled and a dropped dial take down what it may have brought up. nmcli is killed when it
// runs past the facility's dial bound. The passwd-file goes when nmcli has ended, at the latest
// with this object.
class NmDial final : public DialAttempt {
 public:
  // `outputFd` reads what nmcli writes on its standard output and error.
  NmDial(const NmDialUp& facility, std::string entry, ChildProcess child, int outputFd,
         std::filesystem::path passwdFile, int notice);
  ~NmDial() override;
  NmDial(const NmDial&) = delete;
  NmDial& operator=(const NmDial&) = delete;

  std::optional<int> Step(std::chrono::milliseconds timeout,
                          const std::function<void(int state)>& onState) override;
  void Cancel() override;
  DialHandle Handle() const override { return handle_; }
  int Notice() const override { return notice_; }

 private:
  void ReadOutput(std::chrono::milliseconds timeout);
  int Finish(int exitStatus);
  // Ends what NetworkManager has of this entry active or activating, once.
  void TakeDown();
  void RemovePasswdFile();

  const NmDialUp& facility_;
  const std::string entry_;
  ChildProcess child_;
  int outputFd_;
  std::filesystem::path passwdFile_;
  const int notice_;
  const std::chrono::steady_clock::time_point bound_;
  std::string output_;
  DialHandle handle_;
  bool announced_ = false;
  bool cancelled_ = false;
  bool killedAtBound_ = false;
  bool takenDown_ = false;
  std::optional<int> result_;
};

}  // namespace kelbrin::platform
