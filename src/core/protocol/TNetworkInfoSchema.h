#pragma once

#include <pugixml.hpp>
#include <string>

namespace kelbrin::protocol {

// One network adapter of the network report.
class TNetworkInfoSchema {
 public:
  std::string ConnName;
  std::string HardWare;
  std::string MacAddr;
  std::string DHCPRun;
  std::string IPAddr;
  std::string SubMask;
  std::string Gateway;
  std::string DNSServer;

  // Appends a NetworkInfo element with one child per field, in order; empty fields give empty
  // elements. Throws std::runtime_error when a node cannot be created.
  void AppendToNode(pugi::xml_node parent) const;
};

}  // namespace kelbrin::protocol
