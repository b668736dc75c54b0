#include "platform/NetworkManager.h"

#include <sstream>

#include "platform/ChildProcess.h"

namespace kelbrin::platform {

std::vector<std::string> NetworkManager::SplitTerse(const std::string& line) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      fields.back() += line[++i];
    } else if (line[i] == ':') {
      fields.emplace_back();
    } else {
      fields.back() += line[i];
    }
  }
  return fields;
}

std::optional<std::string> NetworkManager::Run(const std::vector<std::string>& arguments) const {
  std::vector<std::string> argv{"nmcli"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const auto result = RunProcess(argv, timeout_);
  if (!result || result->exitCode != 0) return std::nullopt;
  return result->standardOutput;
}

std::optional<std::vector<NetworkManager::Connection>> NetworkManager::Connections() const {
  const auto output = Run({"-t", "-f", "NAME,DEVICE", "connection", "show"});
  if (!output) return std::nullopt;
  std::vector<Connection> connections;
  std::istringstream lines(*output);
  std::string line;
  while (std::getline(lines, line)) {
    const auto fields = SplitTerse(line);
    if (fields.size() < 2 || fields[0].empty()) continue;
    connections.push_back({fields[0], fields[1] == "--" ? std::string() : fields[1]});
  }
  return connections;
}

std::optional<NetworkManager::Dhcp> NetworkManager::DeviceDhcp(const std::string& device) const {
  const auto output = Run({"-t", "-f", "DHCP4", "device", "show", device});
  if (!output) return std::nullopt;
  // A lease shows as lines "DHCP4.OPTION[n]:name = value"; no lease, no such lines.
  Dhcp dhcp;
  std::istringstream lines(*output);
  std::string line;
  while (std::getline(lines, line)) {
    const auto fields = SplitTerse(line);
    if (fields.size() < 2 || fields[0].rfind("DHCP4.OPTION", 0) != 0) continue;
    dhcp.enabled = true;
    const std::string key = "dhcp_server_identifier = ";
    if (fields[1].rfind(key, 0) == 0) dhcp.server = fields[1].substr(key.size());
  }
  return dhcp;
}

}  // namespace kelbrin::platform
