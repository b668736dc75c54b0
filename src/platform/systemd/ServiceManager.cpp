#include "platform/systemd/ServiceManager.h"

#include "platform/files/ConfigHome.h"
#include "platform/systemd/SystemdServiceManager.h"

namespace kelbrin::platform {

ServiceManager& SystemServiceManager() {
  static SystemdServiceManager manager;
  return manager;
}

bool IsServiceInstalled(const std::string& name) {
  if (SystemServiceManager().IsInstalled(name)) return true;
  if (RunsAsRoot()) return false;
  SystemdServiceManager machineWide(SystemdServiceManager::Scope::System);
  return machineWide.IsInstalled(name);
}

}  // namespace kelbrin::platform
