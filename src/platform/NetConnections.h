#pragma once

#include <string>
#include <vector>

#include "platform/NetworkManager.h"

namespace kelbrin::platform {

// A network connection the user can pick, and the interface that carries it (0: none now).
struct NetConnection {
  std::string name;
  int index = 0;
};

// NetworkManager's connection names where it answers, each with the interface index of its
// device; else the interface names of the machine; loopback never.
std::vector<NetConnection> ListNetConnections(const NetworkManager& networkManager);

}  // namespace kelbrin::platform
