#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "runtime/EventLoop.h"
#include "runtime/Presenter.h"

namespace kelbrin::app {

// The command that installs or removes the service on the user's behalf: this executable with
// the switch and "-silent", the user's settings folder and endpoint so the service uses the same,
// behind pkexec unless the process already runs as root.
std::vector<std::string> ServiceSetupCommand(bool install, const std::filesystem::path& executable,
                                             const std::filesystem::path& configRoot,
                                             const std::optional<std::string>& endpoint,
                                             bool runsAsRoot);

// InstallService and UninstallService of the main window's " Run as system service" check box.
// The setup command runs in the background, so an authentication dialog of pkexec never blocks
// the window; when it has ended, a "Tip" box on the loop's thread tells how it went (a failure
// with why on a second line: pkexec missing, the authorization refused, the unit not written)
// and `done` learns whether it worked (exit status 0; a cancelled authentication is a failure).
// A setup still running after `bound` counts as failed and is ended. Loop thread only.
class ServiceInstaller {
 public:
  using Outcome = std::function<void(bool succeeded)>;

  // `command(install)` gives the setup command line (ServiceSetupCommand for the real program).
  ServiceInstaller(runtime::EventLoop& loop, runtime::Presenter& presenter,
                   std::function<std::vector<std::string>(bool install)> command,
                   std::chrono::milliseconds bound = std::chrono::minutes(2));
  // Ends a setup still running (it is killed) and joins its watcher; neither its box is shown
  // nor its `done` called.
  ~ServiceInstaller();
  ServiceInstaller(const ServiceInstaller&) = delete;
  ServiceInstaller& operator=(const ServiceInstaller&) = delete;

  // A setup that cannot be started at all shows its failure box and calls `done(false)` before
  // returning.
  void InstallService(Outcome done = {}) { Start(true, std::move(done)); }
  void UninstallService(Outcome done = {}) { Start(false, std::move(done)); }

 private:
  void Start(bool install, Outcome done);
  void Watch(bool install, bool viaPkexec, platform::ChildProcess setup, Outcome done);
  // `failure`: why it failed, empty when it worked.
  void Finish(bool install, const std::string& failure, const Outcome& done);

  runtime::EventLoop& loop_;
  runtime::Presenter& presenter_;
  std::function<std::vector<std::string>(bool)> command_;
  std::chrono::milliseconds bound_;
  std::atomic<bool> stopping_{false};
  // Posted boxes hold it weakly: once the installer is gone they show nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::vector<std::thread> watchers_;
};

}  // namespace kelbrin::app
