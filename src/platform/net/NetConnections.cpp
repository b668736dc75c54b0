#include "platform/net/NetConnections.h"

#include <net/if.h>
#include <net/if_arp.h>

#include "platform/net/NetTables.h"

namespace kelbrin::platform {

std::vector<NetConnection> ListNetConnections(const NetworkManager& networkManager,
                                              NmDialUpConnections dialUp) {
  std::vector<NetConnection> connections;
  if (const auto profiles = networkManager.Connections()) {
    for (const auto& profile : *profiles) {
      if (profile.device == "lo") continue;  // NetworkManager's own loopback profile
      if (dialUp == NmDialUpConnections::LeftToPhonebook &&
          NetworkManager::DialUpType(profile.type)) {
        continue;
      }
      const int index =
          profile.device.empty() ? 0 : static_cast<int>(::if_nametoindex(profile.device.c_str()));
      connections.push_back({profile.name, index});
    }
    return connections;
  }
  NetTables tables;
  if (ReadNetTables(tables) != 0) return connections;
  for (const NetLink& link : tables.links) {
    if (link.type != ARPHRD_LOOPBACK) connections.push_back({link.name, link.index});
  }
  return connections;
}

}  // namespace kelbrin::platform
