#pragma once

#include <string>
#include <vector>

namespace kelbrin::platform {

// Where the facts about network devices are read; the defaults are the system's own files, tests
// point them elsewhere.
struct NetFactSources {
  std::string udevDataDir = "/run/udev/data";
  // The resolver files in order of preference: the first that exists is read.
  std::vector<std::string> resolverFiles = {"/run/systemd/resolve/resolv.conf", "/etc/resolv.conf"};
};

// The device's model name from udev's hardware database (ID_MODEL_FROM_DATABASE of the device
// record of interface `index`), or empty.
std::string DeviceModel(int index, const std::string& udevDataDir);

// The name of the driver behind the interface (ethtool), or empty.
std::string DriverName(const std::string& interfaceName);

// The IPv4 name servers of the first resolver file that exists, in file order.
std::vector<std::string> DnsServers(const std::vector<std::string>& resolverFiles);

}  // namespace kelbrin::platform
