#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelbrin::platform {

// One network interface as the kernel lists it.
struct NetLink {
  int index = 0;
  std::string name;
  unsigned short type = 0;  // ARPHRD_* hardware type
  std::vector<std::uint8_t> hardwareAddress;
};

// One IPv4 address of an interface; address and mask in network byte order.
struct NetAddress {
  int index = 0;
  std::uint32_t address = 0;
  std::uint32_t mask = 0;
};

// A default route of the main table through a gateway; gateway in network byte order.
struct NetGateway {
  int index = 0;
  std::uint32_t gateway = 0;
};

// The kernel's links, IPv4 addresses and IPv4 default gateways, each in the kernel's order.
struct NetTables {
  std::vector<NetLink> links;
  std::vector<NetAddress> addresses;
  std::vector<NetGateway> gateways;
};

// Reads the tables by rtnetlink dumps in the calling thread's network namespace. Returns 0, or
// the errno of the failed step with the tables left empty.
int ReadNetTables(NetTables& tables);

}  // namespace kelbrin::platform
