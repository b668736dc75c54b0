#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kelbrin::platform {

// NetworkManager through its command-line client `nmcli` (looked up on PATH). Every call is
// bounded by `timeout`; a missing client, a daemon that does not answer or an error exit all
// count as "NetworkManager does not run".
class NetworkManager {
 public:
  struct Connection {
    std::string name;
    std::string device;  // empty when the connection is not active on a device
  };
  struct Dhcp {
    bool enabled = false;
    std::string server;  // the DHCP server of the current lease, or empty
  };

  NetworkManager() = default;
  explicit NetworkManager(std::chrono::milliseconds timeout) : timeout_(timeout) {}

  // The connection profiles in nmcli's order; nullopt when NetworkManager does not answer.
  std::optional<std::vector<Connection>> Connections() const;
  // The IPv4 DHCP state of a device; nullopt when NetworkManager does not answer.
  std::optional<Dhcp> DeviceDhcp(const std::string& device) const;

  // One terse nmcli line split at its unescaped ':' ("\:" and "\\" are a literal ':' and '\').
  static std::vector<std::string> SplitTerse(const std::string& line);

 private:
  std::optional<std::string> Run(const std::vector<std::string>& arguments) const;

  std::chrono::milliseconds timeout_{std::chrono::seconds(3)};
};

}  // namespace kelbrin::platform
