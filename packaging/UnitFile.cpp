// Writes the systemd unit the package installs. It is made by the code that writes the unit of
// "kelbrin-client -install", so the packaged unit and the installed-on-request one cannot drift
// apart. Usage: kelbrin-unit-file EXECUTABLE CONFIG_ROOT OUTPUT
#include <fstream>
#include <iostream>

#include "app/commands/ServiceSetup.h"
#include "platform/systemd/SystemdServiceManager.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: kelbrin-unit-file EXECUTABLE CONFIG_ROOT OUTPUT\n";
    return 64;
  }
  using kelbrin::platform::SystemdServiceManager;
  const auto service = kelbrin::app::KelbrinServiceDefinition(argv[1], argv[2], std::nullopt, {});
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out << SystemdServiceManager::UnitFileText(service, SystemdServiceManager::Scope::System);
  out.close();
  if (!out) {
    std::cerr << "kelbrin-unit-file: cannot write " << argv[3] << '\n';
    return 1;
  }
  return 0;
}
