#include "app/commands/ServiceSetup.h"

#include "platform/files/Autostart.h"
#include "platform/process/InvokingAccount.h"
#include "runtime/Translate.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

platform::ServiceDefinition KelbrinServiceDefinition(const std::filesystem::path& executable,
                                                     const std::filesystem::path& configRoot,
                                                     const std::optional<std::string>& endpoint,
                                                     const std::string& user) {
  platform::ServiceDefinition service{
      kServiceName, kServiceDisplayName, {}, user, configRoot, kServiceStateFolder, true};
  service.command = {executable.string(), "--service", "--config-root", configRoot.string()};
  if (endpoint) service.command.insert(service.command.end(), {"--endpoint", *endpoint});
  return service;
}

int RunServiceSetup(const ServiceSwitches& switches, const Options& options,
                    platform::ServiceManager& manager, std::ostream& out, std::ostream& err) {
  std::string error;
  bool done = false;
  if (switches.install) {
    const std::optional<platform::Account> account = platform::InvokingAccount();
    const std::filesystem::path configRoot = account && !options.configRoot
                                                 ? account->home / ".config" / "kelbrin-client"
                                                 : settings::ConfigRoot();
    done = manager.Install(
        KelbrinServiceDefinition(platform::RunningExecutable(), configRoot, options.endpoint,
                                 account ? account->name : std::string()),
        error);
  } else {
    done = manager.Uninstall(kServiceName, error);
  }
  if (!switches.silent) {
    if (done) {
      out << "kelbrin-client: "
          << (switches.install ? runtime::Translate("service %1 installed", {kServiceName})
                               : runtime::Translate("service %1 uninstalled", {kServiceName}))
          << '\n';
    } else {
      err << "kelbrin-client: "
          << (switches.install
                  ? runtime::Translate("service %1 not installed: %2", {kServiceName, error})
                  : runtime::Translate("service %1 not uninstalled: %2", {kServiceName, error}))
          << '\n';
    }
  }
  return done ? 0 : 1;
}

}  // namespace kelbrin::app
