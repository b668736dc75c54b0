#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/net/NetDeviceFacts.h"
#include "platform/net/NetworkManager.h"

namespace kelbrin::sysinfo {

// One network adapter as the rest of the client sees it: the adapter table of the system
// information, and the interface index of a network connection. Texts are IPv4 dotted forms.
struct TAdaptorInfo {
  std::string AdapterName;
  std::string Description;
  std::string HardwareAddress;  // FormatMac of the adapter's address bytes
  int Index = 0;                // interface index
  int Type = 0;                 // adapter type number
  int DhcpEnabled = 0;          // 0 or 1
  std::string CurrentAddress = "  0.  0.  0.  0";
  std::string CurrentMask = "  0.  0.  0.  0";
  std::vector<std::string> AddressList;
  std::vector<std::string> MaskList;
  std::vector<std::string> GatewayList;
  std::vector<std::string> DhcpServerList;
  std::vector<std::string> PrimaryWinsList;
  std::vector<std::string> SecondaryWinsList;
  std::string LeaseObtained;
  std::string LeaseExpires;
  int AutoconfigEnabled = 0;
  int AutoconfigActive = 0;
  std::string CurrentDnsServer;
  std::vector<std::string> DnsServerList;
};
using TAdaptorRows = std::vector<TAdaptorInfo>;

// Where GetAdapters reads the facts the kernel's tables do not hold.
struct AdapterSources {
  platform::NetFactSources facts;
  platform::NetworkManager networkManager;
};

// The machine's adapters (every interface but loopback) in the kernel's order. Returns 0 on
// success; otherwise a non-zero code (an errno) and no adapters.
int GetAdapters(int& count, TAdaptorRows& rows, const AdapterSources& sources);
int GetAdapters(int& count, TAdaptorRows& rows);
// The machine's local IPv4 addresses in table order (see IsLanOnly for the special lines).
void GetLocalAddresses(std::vector<std::string>& lines);

std::string FormatMac(const std::uint8_t* bytes, int count);
std::string FormatIPv4(std::uint32_t networkOrderAddress);
std::uint32_t ParseIPv4(const std::string& dotted);
bool IsLanAddress(const std::string& dotted);
bool IsLanOnly();

}  // namespace kelbrin::sysinfo
