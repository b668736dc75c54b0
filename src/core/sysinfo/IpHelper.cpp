#include "sysinfo/IpHelper.h"

#include <net/if_arp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/files/TextTrim.h"
#include "platform/net/NetTables.h"

namespace kelbrin::sysinfo {
namespace {

constexpr const char* kNoAddress = "  0.  0.  0.  0";

// Adapter type numbers as the adapter table reports them.
constexpr int kTypeOther = 1;
constexpr int kTypeEthernet = 6;
constexpr int kTypePpp = 23;
constexpr int kTypeLoopback = 24;
constexpr int kTypeWireless = 71;
constexpr int kTypeTunnel = 131;

int AdapterType(unsigned short hardwareType) {
  switch (hardwareType) {
    case ARPHRD_ETHER:
      return kTypeEthernet;
    case ARPHRD_PPP:
      return kTypePpp;
    case ARPHRD_LOOPBACK:
      return kTypeLoopback;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
      return kTypeWireless;
    case ARPHRD_NONE:
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
      return kTypeTunnel;
    default:
      return kTypeOther;
  }
}

// The kernel's address (bytes in network order, as stored) as this module's value: the first
// byte of the dotted form in the lowest byte, whatever the host's byte order.
std::uint32_t FromNetworkBytes(std::uint32_t stored) {
  std::uint8_t bytes[4];
  std::memcpy(bytes, &stored, sizeof bytes);
  return bytes[0] | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16) |
         (std::uint32_t{bytes[3]} << 24);
}

// A decimal number with nothing else but surrounding blanks, or nothing.
std::optional<long> ReadInteger(const std::string& text) {
  const std::string digits = std::string(platform::Trimmed(text));
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<std::string> SplitAtDots(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == '.') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

TAdaptorInfo AdapterRow(const platform::NetLink& link, const platform::NetTables& tables,
                        const std::vector<std::string>& dnsServers) {
  TAdaptorInfo row;
  row.AdapterName = std::string(platform::Trimmed(link.name));
  row.Index = link.index;
  row.Type = AdapterType(link.type);
  row.HardwareAddress =
      FormatMac(link.hardwareAddress.data(), static_cast<int>(link.hardwareAddress.size()));
  for (const auto& address : tables.addresses) {
    if (address.index != link.index) continue;
    row.AddressList.push_back(FormatIPv4(FromNetworkBytes(address.address)));
    row.MaskList.push_back(FormatIPv4(FromNetworkBytes(address.mask)));
  }
  if (!row.AddressList.empty()) {
    row.CurrentAddress = row.AddressList.front();
    row.CurrentMask = row.MaskList.front();
  }
  for (const auto& gateway : tables.gateways) {
    if (gateway.index == link.index) {
      row.GatewayList.push_back(FormatIPv4(FromNetworkBytes(gateway.gateway)));
    }
  }
  if (dnsServers.empty()) {
    row.DnsServerList = {""};
  } else {
    row.CurrentDnsServer = dnsServers.front();
    row.DnsServerList = dnsServers;
  }
  return row;
}

}  // namespace

int GetAdapters(int& count, TAdaptorRows& rows, const AdapterSources& sources) {
  count = 0;
  rows.clear();
  platform::NetTables tables;
  if (const int result = platform::ReadNetTables(tables); result != 0) return result;

  const std::vector<std::string> dnsServers = platform::DnsServers(sources.facts.resolverFiles);
  bool networkManagerAnswers = true;
  for (const platform::NetLink& link : tables.links) {
    if (link.type == ARPHRD_LOOPBACK) continue;
    TAdaptorInfo row = AdapterRow(link, tables, dnsServers);
    row.Description = std::string(
        platform::Trimmed(platform::DeviceModel(link.index, sources.facts.udevDataDir)));
    if (row.Description.empty())
      row.Description = std::string(platform::Trimmed(platform::DriverName(link.name)));
    // Once NetworkManager has not answered, the other adapters do not wait for it again.
    if (networkManagerAnswers) {
      const auto dhcp = sources.networkManager.DeviceDhcp(link.name);
      networkManagerAnswers = dhcp.has_value();
      if (dhcp && dhcp->enabled) {
        row.DhcpEnabled = 1;
        if (!dhcp->server.empty()) row.DhcpServerList.push_back(dhcp->server);
      }
    }
    rows.push_back(std::move(row));
  }
  count = static_cast<int>(rows.size());
  return 0;
}

int GetAdapters(int& count, TAdaptorRows& rows) { return GetAdapters(count, rows, {}); }

void GetLocalAddresses(std::vector<std::string>& lines) {
  lines.clear();
  platform::NetTables tables;
  if (const int result = platform::ReadNetTables(tables); result != 0) {
    lines.push_back(std::strerror(result));
    return;
  }
  for (const auto& address : tables.addresses) {
    lines.push_back(FormatIPv4(FromNetworkBytes(address.address)));
  }
  if (lines.empty()) lines.push_back("no entries.");
}

std::string FormatMac(const std::uint8_t* bytes, int count) {
  if (count <= 0 || bytes == nullptr) return "00-00-00-00-00-00";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < std::min(count, 8); ++i) {
    if (i > 0) text += '-';
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0x0F];
  }
  return text;
}

std::string FormatIPv4(std::uint32_t networkOrderAddress) {
  std::string text;
  for (int shift = 0; shift < 32; shift += 8) {
    if (shift > 0) text += '.';
    text += std::to_string((networkOrderAddress >> shift) & 0xFF);
  }
  return text;
}

std::uint32_t ParseIPv4(const std::string& dotted) {
  std::uint32_t value = 0;
  std::string rest = dotted;
  for (int step = 0; step < 4; ++step) {
    const auto dot = rest.find('.');
    const std::string part = rest.substr(0, dot);
    rest = dot == std::string::npos ? std::string() : rest.substr(dot + 1);
    const auto number = ReadInteger(part);
    value = number ? (static_cast<std::uint32_t>(*number) << 24) | (value >> 8) : 0;
  }
  return value;
}

bool IsLanAddress(const std::string& dotted) {
  if (std::string(platform::Trimmed(dotted)).empty() || dotted == "127.0.0.1") return true;
  const std::vector<std::string> parts = SplitAtDots(dotted);
  const auto part = [&](std::size_t i) {
    return i < parts.size() ? ReadInteger(parts[i]) : std::nullopt;
  };
  const auto first = part(0);
  if (!first) return false;
  if (*first == 0 || *first == 10) return true;
  if (*first == 172) {
    const auto second = part(1);
    return second && *second >= 16 && *second <= 31;
  }
  if (*first == 192) {
    const auto second = part(1);
    if (!second || *second != 168) return false;
    const auto third = part(2);
    return third && *third >= 0 && *third <= 255;
  }
  return false;
}

bool IsLanOnly() {
  std::vector<std::string> lines;
  GetLocalAddresses(lines);
  for (const std::string& line : lines) {
    if (!IsLanAddress(line)) return false;
  }
  return true;
}

}  // namespace kelbrin::sysinfo
