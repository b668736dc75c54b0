#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kelbrin::platform {

// What a dial-up link's interface (ppp0, wwan0...) shows, whichever facility brought it up.
// Every query answers for the calling thread's network namespace.

struct LinkAddresses {
  std::string local;
  std::string peer;  // empty when the interface has no peer address of its own
};

struct LinkCounters {
  std::uint64_t sent = 0;
  std::uint64_t received = 0;
};

// An interface name as the kernel allows it. Names come from files and other programs, so they are
// checked before they become part of a path or a request.
bool InterfaceName(const std::string& name);

// The interface is up and holds an IPv4 address.
bool InterfaceCarries(const std::string& interface);

// Its IPv4 address and peer; nullopt when it has no IPv4 address.
std::optional<LinkAddresses> InterfaceAddresses(const std::string& interface);

// Bytes sent and received, from `netClassDir`/IF/statistics (a sysfs of the right namespace).
std::optional<LinkCounters> InterfaceCounters(const std::filesystem::path& netClassDir,
                                              const std::string& interface);

// The interface's index, 0 when there is none.
std::uint32_t InterfaceIndex(const std::string& interface);

}  // namespace kelbrin::platform
