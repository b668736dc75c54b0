#include "platform/ServiceManager.h"

#include "platform/ConfigHome.h"
#include "platform/SystemdServiceManager.h"

namespace kelbrin::platform {

ServiceManager& SystemServiceManager() {
  static SystemdServiceManager manager;
  return manager;
}

bool IsServiceInstalled(const std::string& name) {
  if (SystemServiceManager().isInstalled(name)) return true;
  if (RunsAsRoot()) return false;
  SystemdServiceManager machineWide(SystemdServiceManager::Scope::System);
  return machineWide.isInstalled(name);
}

}  // namespace kelbrin::platform
