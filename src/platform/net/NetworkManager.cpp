#include "platform/net/NetworkManager.h"

#include <sstream>

#include "platform/process/ChildProcess.h"

namespace kelbrin::platform {
namespace {

// nmcli writes an empty value as "" or, in some versions, as "--".
std::string Value(const std::string& field) { return field == "--" ? std::string() : field; }

}  // namespace

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

std::vector<std::string> NetworkManager::Command(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"nmcli"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

bool NetworkManager::DialUpType(const std::string& type) {
  return type == "pppoe" || type == "gsm" || type == "cdma";
}

std::optional<std::string> NetworkManager::Run(const std::vector<std::string>& arguments) const {
  const auto result = RunProcess(Command(arguments), timeout_);
  if (!result || result->exitCode != 0) return std::nullopt;
  return result->standardOutput;
}

std::optional<std::vector<std::pair<std::string, std::string>>> NetworkManager::Fields(
    const std::vector<std::string>& arguments) const {
  const auto output = Run(arguments);
  if (!output) return std::nullopt;
  std::vector<std::pair<std::string, std::string>> fields;
  std::istringstream lines(*output);
  std::string line;
  while (std::getline(lines, line)) {
    // "NAME:value"; the value's ':' come escaped, or not at all in some versions.
    const auto parts = SplitTerse(line);
    if (parts.size() < 2) continue;
    std::string value = parts[1];
    for (std::size_t i = 2; i < parts.size(); ++i) value += ":" + parts[i];
    fields.emplace_back(parts[0], std::move(value));
  }
  return fields;
}

std::optional<std::vector<NetworkManager::Connection>> NetworkManager::Connections() const {
  const auto output = Run({"-t", "-f", "NAME,TYPE,DEVICE,ACTIVE-PATH", "connection", "show"});
  if (!output) return std::nullopt;
  std::vector<Connection> connections;
  std::istringstream lines(*output);
  std::string line;
  while (std::getline(lines, line)) {
    const auto fields = SplitTerse(line);
    if (fields.size() < 4 || fields[0].empty()) continue;
    connections.push_back({fields[0], fields[1], Value(fields[2]), Value(fields[3])});
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

std::optional<NetworkManager::Activation> NetworkManager::ActiveConnection(
    const std::string& activePath) const {
  if (activePath.empty()) return std::nullopt;
  const auto fields = Fields(
      {"-t", "-f", "GENERAL.STATE,GENERAL.IP-IFACE", "connection", "show", "apath", activePath});
  if (!fields) return std::nullopt;
  Activation activation;
  bool active = false;
  for (const auto& [name, value] : *fields) {
    if (name == "GENERAL.STATE") {
      activation.state = Value(value);
      active = !activation.state.empty();
    } else if (name == "GENERAL.IP-IFACE") {
      activation.ipInterface = Value(value);
    }
  }
  if (!active) return std::nullopt;
  return activation;
}

std::optional<std::string> NetworkManager::ProfileSetting(const std::string& name,
                                                          const std::string& setting) const {
  const auto fields = Fields({"-t", "-f", setting, "connection", "show", "id", name});
  if (!fields) return std::nullopt;
  for (const auto& [field, value] : *fields) {
    if (field == setting) return Value(value);
  }
  return std::string();
}

bool NetworkManager::Deactivate(const std::string& activePath,
                                std::chrono::milliseconds timeout) const {
  const auto result = RunProcess(Command({"connection", "down", "apath", activePath}), timeout);
  return result && result->exitCode == 0;
}

}  // namespace kelbrin::platform
