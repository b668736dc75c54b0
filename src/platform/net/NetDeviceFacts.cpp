#include "platform/net/NetDeviceFacts.h"

#include <arpa/inet.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace kelbrin::platform {
namespace {

bool IsIPv4(const std::string& text) {
  in_addr address{};
  return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

}  // namespace

std::string DeviceModel(int index, const std::string& udevDataDir) {
  std::ifstream record(udevDataDir + "/n" + std::to_string(index));
  // Device records hold properties as "E:KEY=VALUE" lines.
  const std::string key = "E:ID_MODEL_FROM_DATABASE=";
  std::string line;
  while (std::getline(record, line)) {
    if (line.rfind(key, 0) == 0) return line.substr(key.size());
  }
  return {};
}

std::string DriverName(const std::string& interfaceName) {
  if (interfaceName.empty() || interfaceName.size() >= IFNAMSIZ) return {};
  // The socket belongs to the calling thread's network namespace, like the interface name.
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return {};
  ethtool_drvinfo info{};
  info.cmd = ETHTOOL_GDRVINFO;
  ifreq request{};
  std::memcpy(request.ifr_name, interfaceName.c_str(), interfaceName.size());
  request.ifr_data = reinterpret_cast<char*>(&info);
  const int result = ::ioctl(fd, SIOCETHTOOL, &request);
  ::close(fd);
  if (result != 0) return {};
  return std::string(info.driver, ::strnlen(info.driver, sizeof(info.driver)));
}

std::vector<std::string> DnsServers(const std::vector<std::string>& resolverFiles) {
  for (const std::string& path : resolverFiles) {
    std::ifstream file(path);
    if (!file) continue;
    std::vector<std::string> servers;
    std::string line;
    while (std::getline(file, line)) {
      std::istringstream words(line);
      std::string keyword;
      std::string server;
      if (words >> keyword >> server && keyword == "nameserver" && IsIPv4(server)) {
        servers.push_back(server);
      }
    }
    return servers;
  }
  return {};
}

}  // namespace kelbrin::platform
