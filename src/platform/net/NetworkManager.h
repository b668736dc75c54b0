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
    std::string type;        // nmcli's connection type, e.g. "802-3-ethernet", "pppoe", "gsm"
    std::string device;      // empty when the connection is not active on a device
    std::string activePath;  // its active connection's D-Bus path, empty when not active
  };
  struct Dhcp {
    bool enabled = false;
    std::string server;  // the DHCP server of the current lease, or empty
  };
  // An active connection: its state ("activating", "activated", "deactivating") and the
  // interface that carries its IP traffic (for PPPoE ppp0, not the Ethernet device under it).
  struct Activation {
    std::string state;
    std::string ipInterface;
  };

  NetworkManager() = default;
  explicit NetworkManager(std::chrono::milliseconds timeout) : timeout_(timeout) {}

  // The connection profiles in nmcli's order; nullopt when NetworkManager does not answer.
  std::optional<std::vector<Connection>> Connections() const;
  // The IPv4 DHCP state of a device; nullopt when NetworkManager does not answer.
  std::optional<Dhcp> DeviceDhcp(const std::string& device) const;
  // The active connection with that D-Bus path; nullopt when there is none (or no answer).
  std::optional<Activation> ActiveConnection(const std::string& activePath) const;
  // One setting of a profile (e.g. "pppoe.username"), "" when unset; nullopt without an answer.
  std::optional<std::string> ProfileSetting(const std::string& name,
                                            const std::string& setting) const;
  // `nmcli connection down apath PATH`, bounded by `timeout`; whether nmcli reported success.
  bool Deactivate(const std::string& activePath, std::chrono::milliseconds timeout) const;

  // The command line that runs nmcli with `arguments`.
  static std::vector<std::string> Command(const std::vector<std::string>& arguments);
  // Whether a connection type dials: PPPoE and mobile broadband (GSM, CDMA).
  static bool DialUpType(const std::string& type);
  // One terse nmcli line split at its unescaped ':' ("\:" and "\\" are a literal ':' and '\').
  static std::vector<std::string> SplitTerse(const std::string& line);

 private:
  std::optional<std::string> Run(const std::vector<std::string>& arguments) const;
  // The "FIELD:value" lines of a multi-line terse answer, in order.
  std::optional<std::vector<std::pair<std::string, std::string>>> Fields(
      const std::vector<std::string>& arguments) const;

  std::chrono::milliseconds timeout_{std::chrono::seconds(3)};
};

}  // namespace kelbrin::platform
