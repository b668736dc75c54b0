#include "lines/NetHelpers.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

#include "platform/net/NetTables.h"
#include "runtime/AsciiCase.h"
#include "sysinfo/IpHelper.h"

namespace kelbrin::lines {

using runtime::AsciiLower;
using runtime::EqualIgnoringAsciiCase;

bool IsNetReachable() { return true; }

std::string UrlEncode(std::string_view text, const platform::CodePage& codePage) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : codePage.FromUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) && byte < 0x80) {
      encoded += c;
    } else if (c == ' ') {
      encoded += '+';
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

UrlParts SplitUrl(std::string_view url) {
  std::string rest(url);
  // As the portal's pages write it: the scheme is taken off the front when it appears at all.
  if (AsciiLower(rest).find("http://") != std::string::npos)
    rest.erase(0, std::min<std::size_t>(7, rest.size()));

  UrlParts parts;
  std::string hostAndPort = rest;
  if (const auto slash = rest.find('/'); slash != std::string::npos) {
    hostAndPort = rest.substr(0, slash);
    parts.path = rest.substr(slash);
  }
  if (const auto colon = hostAndPort.find(':'); colon != std::string::npos) {
    parts.host = hostAndPort.substr(0, colon);
    parts.port = hostAndPort.substr(colon + 1);
  } else {
    parts.host = hostAndPort;
    parts.port = "80";
  }
  return parts;
}

std::vector<platform::NetConnection> NetworkConnections(const ConnectionSources& sources) {
  // With a phonebook, NetworkManager's dial-up connections are listed once, among its entries.
  std::vector<platform::NetConnection> connections = platform::ListNetConnections(
      sources.networkManager, sources.dialUpEntries
                                  ? platform::NmDialUpConnections::LeftToPhonebook
                                  : platform::NmDialUpConnections::Listed);
  if (sources.dialUpEntries) {
    const auto entries = sources.dialUpEntries();
    connections.insert(connections.end(), entries.begin(), entries.end());
  }
  return connections;
}

bool ListNetworkConnections(std::vector<std::string>& names, const ConnectionSources& sources) {
  names.clear();
  for (const auto& connection : NetworkConnections(sources)) names.push_back(connection.name);
  return !names.empty();
}

std::uint32_t ConnectionAdapterIndex(const std::string& name, const ConnectionSources& sources) {
  for (const auto& connection : NetworkConnections(sources)) {
    if (EqualIgnoringAsciiCase(connection.name, name))
      return static_cast<std::uint32_t>(connection.index);
  }
  return 0;
}

std::uint32_t AdapterIndexOfAddress(const std::string& address) {
  if (address.empty()) return 0;
  platform::NetTables tables;
  if (platform::ReadNetTables(tables) != 0) return 0;
  const std::uint32_t wanted = sysinfo::ParseIPv4(address);
  for (const auto& row : tables.addresses) {
    char dotted[INET_ADDRSTRLEN] = {};
    in_addr stored{row.address};
    if (::inet_ntop(AF_INET, &stored, dotted, sizeof dotted) != nullptr &&
        sysinfo::ParseIPv4(dotted) == wanted) {
      return static_cast<std::uint32_t>(row.index);
    }
  }
  return 0;
}

}  // namespace kelbrin::lines
