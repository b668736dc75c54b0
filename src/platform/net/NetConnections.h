#pragma once

#include <string>
#include <vector>

#include "platform/net/NetworkManager.h"

namespace kelbrin::platform {

// A network connection the user can pick, and the interface that carries it (0: none now).
struct NetConnection {
  std::string name;
  int index = 0;
};

// Whether NetworkManager's dial-up connections (PPPoE, mobile broadband) are listed with the
// others, or left to the dial-up phonebook, which knows the interface that carries them.
enum class NmDialUpConnections { Listed, LeftToPhonebook };

// NetworkManager's connection names where it answers, each with the interface index of its
// device; else the interface names of the machine; loopback never.
std::vector<NetConnection> ListNetConnections(
    const NetworkManager& networkManager,
    NmDialUpConnections dialUp = NmDialUpConnections::Listed);

}  // namespace kelbrin::platform
