#pragma once

#include <net/if.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "sysinfo/TSysInfo.h"

namespace kelbrin::sysinfo::fixtures {

// A machine tree under fixtures/: files copied from real machines (server is the build machine
// as it was), some edited to stand for a desktop, a container, a machine with eleven network
// cards and one whose second processor states no clock.
inline std::filesystem::path FixtureRoot(const std::string& machine) {
  return std::filesystem::path(KELBRIN_SYSINFO_FIXTURES) / machine;
}

// An adapter as the network layer reports it.
inline TAdaptorInfo Adapter(int index, std::string description, std::string mac, int dhcp,
                            std::vector<std::string> addresses, std::vector<std::string> masks,
                            std::vector<std::string> gateways, std::vector<std::string> dns) {
  TAdaptorInfo adapter;
  adapter.AdapterName = "if" + std::to_string(index);
  adapter.Description = std::move(description);
  adapter.HardwareAddress = std::move(mac);
  adapter.Index = index;
  adapter.DhcpEnabled = dhcp;
  adapter.AddressList = std::move(addresses);
  adapter.MaskList = std::move(masks);
  adapter.GatewayList = std::move(gateways);
  adapter.DnsServerList = std::move(dns);
  return adapter;
}

// The network connections of a fixture machine: name and the adapter index each one uses.
struct Connection {
  std::string name;
  int adapterIndex;
};

inline SysInfoSources Sources(const std::string& machine, TAdaptorRows adapters,
                              std::vector<Connection> connections = {}, int adaptersResult = 0) {
  SysInfoSources sources;
  sources.root = FixtureRoot(machine);
  sources.getAdapters = [adapters, adaptersResult](int& count, TAdaptorRows& rows) {
    rows = adaptersResult == 0 ? adapters : TAdaptorRows{};
    count = static_cast<int>(rows.size());
    return adaptersResult;
  };
  sources.connectionNames = [connections] {
    std::vector<std::string> names;
    for (const Connection& c : connections) names.push_back(c.name);
    return names;
  };
  sources.connectionAdapterIndex = [connections](const std::string& name) {
    for (const Connection& c : connections)
      if (c.name == name) return c.adapterIndex;
    return -1;
  };
  return sources;
}

// The build machine's one adapter (a virtio card with DHCP), addresses from a documentation range.
inline TAdaptorRows ServerAdapters() {
  return {Adapter(4, "virtio_net", "52-54-00-12-34-56", 1, {"192.0.2.10"}, {"255.255.255.0"},
                  {" 192.0.2.1 "}, {"192.0.2.53"})};
}

// The build machine itself: its files below "/", and one adapter per interface of
// /sys/class/net whose connection is named after the interface. The network layer supplies the
// real adapter list and connection names in the program; this stands in for it.
inline SysInfoSources ThisMachine() {
  const auto interfaces = [] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net"))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const auto indexOf = [](const std::string& name) {
    return static_cast<int>(if_nametoindex(name.c_str()));
  };
  SysInfoSources sources;
  sources.getAdapters = [interfaces, indexOf](int& count, TAdaptorRows& rows) {
    rows.clear();
    for (const std::string& name : interfaces()) {
      TAdaptorInfo adapter;
      adapter.Description = name;
      adapter.Index = indexOf(name);
      rows.push_back(adapter);
    }
    count = static_cast<int>(rows.size());
    return 0;
  };
  sources.connectionNames = interfaces;
  sources.connectionAdapterIndex = indexOf;
  return sources;
}

}  // namespace kelbrin::sysinfo::fixtures
