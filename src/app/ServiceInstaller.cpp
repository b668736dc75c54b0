#include "app/ServiceInstaller.h"

namespace kelbrin::app {
namespace {

constexpr std::chrono::milliseconds kCheckInterval{50};

const char* BoxText(bool install, bool succeeded) {
  if (install) {
    return succeeded ? "Kelbrin service has been installed successfully" : "Kelbrin install failed";
  }
  return succeeded ? "Kelbrin has been uninstalled successfully" : "Kelbrin uninstall failed";
}

}  // namespace

std::vector<std::string> ServiceSetupCommand(bool install, const std::filesystem::path& executable,
                                             const std::filesystem::path& configRoot,
                                             const std::optional<std::string>& endpoint,
                                             bool runsAsRoot) {
  std::vector<std::string> command;
  if (!runsAsRoot) command.emplace_back("pkexec");
  command.insert(command.end(), {executable.string(), install ? "-install" : "-uninstall",
                                 "-silent", "--config-root", configRoot.string()});
  if (endpoint) command.insert(command.end(), {"--endpoint", *endpoint});
  return command;
}

ServiceInstaller::ServiceInstaller(runtime::EventLoop& loop, runtime::Presenter& presenter,
                                   std::function<std::vector<std::string>(bool)> command,
                                   std::chrono::milliseconds bound)
    : loop_(loop), presenter_(presenter), command_(std::move(command)), bound_(bound) {}

ServiceInstaller::~ServiceInstaller() {
  stopping_ = true;
  for (std::thread& watcher : watchers_) watcher.join();
}

void ServiceInstaller::Start(bool install, Outcome done) {
  std::optional<platform::ChildProcess> setup = platform::ChildProcess::Start(command_(install));
  if (!setup) {
    Finish(install, false, done);
    return;
  }
  watchers_.emplace_back(
      [this, install, process = std::move(*setup), done = std::move(done)]() mutable {
        Watch(install, std::move(process), std::move(done));
      });
}

void ServiceInstaller::Watch(bool install, platform::ChildProcess setup, Outcome done) {
  std::optional<int> exitCode;
  {
    // A setup that has not ended by the deadline, or when the installer goes, is killed here.
    platform::ChildProcess running = std::move(setup);
    const auto deadline = std::chrono::steady_clock::now() + bound_;
    while (!exitCode && !stopping_ && std::chrono::steady_clock::now() < deadline) {
      exitCode = running.Wait(kCheckInterval);
    }
  }
  if (stopping_) return;
  const bool succeeded = exitCode == 0;
  loop_.Post(
      [this, alive = std::weak_ptr<int>(alive_), install, succeeded, done = std::move(done)] {
        if (alive.lock()) Finish(install, succeeded, done);
      });
}

void ServiceInstaller::Finish(bool install, bool succeeded, const Outcome& done) {
  presenter_.ShowInfoBox("Tip", BoxText(install, succeeded));
  if (done) done(succeeded);
}

}  // namespace kelbrin::app
