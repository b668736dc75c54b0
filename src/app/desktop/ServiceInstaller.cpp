#include "app/desktop/ServiceInstaller.h"

#include "runtime/Translate.h"

namespace kelbrin::app {
namespace {

constexpr std::chrono::milliseconds kCheckInterval{50};
// pkexec's exit statuses when the authentication was dismissed (126) or refused (127).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecRefused = 127;

bool IsPkexec(const std::vector<std::string>& command) {
  return !command.empty() && std::filesystem::path(command.front()).filename() == "pkexec";
}

// The box: the outcome, and for a failure on a second line why.
std::string BoxText(bool install, const std::string& failure) {
  if (failure.empty()) {
    return install ? runtime::Translate("Kelbrin service has been installed successfully")
                   : runtime::Translate("Kelbrin has been uninstalled successfully");
  }
  return (install ? runtime::Translate("Kelbrin install failed")
                  : runtime::Translate("Kelbrin uninstall failed")) +
         "\n" + failure;
}

// Why a setup that ended with `exitCode` (nullopt: it outlived its bound) failed; empty when it
// worked.
std::string FailureReason(bool viaPkexec, std::optional<int> exitCode) {
  if (!exitCode) return runtime::Translate("The setup did not end in time and was stopped.");
  if (*exitCode == 0) return {};
  if (viaPkexec && (*exitCode == kPkexecDismissed || *exitCode == kPkexecRefused)) {
    return runtime::Translate("The administrator's authorization was refused or cancelled.");
  }
  if (*exitCode < 0) return runtime::Translate("The setup was ended by a signal.");
  return runtime::Translate(
      "The service's systemd unit could not be written or enabled (exit status %1).",
      {std::to_string(*exitCode)});
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
  const std::vector<std::string> command = command_(install);
  std::optional<platform::ChildProcess> setup = platform::ChildProcess::Start(command);
  if (!setup) {
    const std::string program = command.empty() ? std::string() : command.front();
    Finish(install,
           IsPkexec(command)
               ? runtime::Translate("pkexec is not installed: install the pkexec package "
                                    "(policykit), or run the client as root.")
               : runtime::Translate("%1 cannot be started.", {program}),
           done);
    return;
  }
  watchers_.emplace_back([this, install, viaPkexec = IsPkexec(command), process = std::move(*setup),
                          done = std::move(done)]() mutable {
    Watch(install, viaPkexec, std::move(process), std::move(done));
  });
}

void ServiceInstaller::Watch(bool install, bool viaPkexec, platform::ChildProcess setup,
                             Outcome done) {
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
  loop_.Post([this, alive = std::weak_ptr<int>(alive_), install,
              failure = FailureReason(viaPkexec, exitCode), done = std::move(done)] {
    if (alive.lock()) Finish(install, failure, done);
  });
}

void ServiceInstaller::Finish(bool install, const std::string& failure, const Outcome& done) {
  presenter_.ShowInfoBox("Tip", BoxText(install, failure));
  if (done) done(failure.empty());
}

}  // namespace kelbrin::app
