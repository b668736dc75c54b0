#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/CodePage.h"
#include "platform/net/NetConnections.h"
#include "platform/net/NetworkManager.h"

namespace kelbrin::lines {

// Whether the Internet is reachable. The client makes no test: the answer is always true.
bool IsNetReachable();

// Form encoding of `text` (UTF-8) in `codePage`: letters and digits stay, a space becomes "+",
// every other byte of the encoded text becomes "%XX" (upper-case hexadecimal).
std::string UrlEncode(std::string_view text, const platform::CodePage& codePage);

struct UrlParts {
  std::string host;
  std::string port;  // "80" when the address names none
  std::string path;  // from the first "/" on, or empty

  bool operator==(const UrlParts&) const = default;
};
// Host, port and path of an http address (or of a bare host, or of a bare path).
UrlParts SplitUrl(std::string_view url);

// The dial-up phonebook's entries, each with the interface of its running link (0: not up).
using DialUpEntries = std::function<std::vector<platform::NetConnection>()>;

// Where the machine's network connections come from: NetworkManager (else the interfaces) and
// the dial-up phonebook, when the composition root provides one. The phonebook then lists
// NetworkManager's dial-up connections (with the interface that carries them), the network's
// listing leaves them out.
struct ConnectionSources {
  platform::NetworkManager networkManager;
  DialUpEntries dialUpEntries;
};

// The connections with their interfaces: the network's first, then the dial-up entries.
std::vector<platform::NetConnection> NetworkConnections(const ConnectionSources& sources);

// Replaces `names` with the machine's connection names; whether any name was added.
bool ListNetworkConnections(std::vector<std::string>& names, const ConnectionSources& sources);

// The interface index of the first connection whose name equals `name` ignoring letter case;
// 0 when none does or it is carried by no interface now.
std::uint32_t ConnectionAdapterIndex(const std::string& name, const ConnectionSources& sources);

// The interface index that holds the local IPv4 address `address` (dotted); 0 when none does.
std::uint32_t AdapterIndexOfAddress(const std::string& address);

}  // namespace kelbrin::lines
