#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets/IoBounds.h"

namespace kelbrin::platform {

// One address to connect to.
struct SocketAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
};

// The TCP addresses of `host` (a name, or an IPv4 or IPv6 address without brackets) at `port`,
// in the order the system's resolver prefers; empty when it has none, or when the deadline of
// `bounds` passes or the exchange is aborted first.
//
// An address is taken as it is, without any thread. A name is looked up with getaddrinfo on the
// process's resolver thread (kResolverThreadName), kept for the run and asleep between lookups,
// so that neither a slow resolver nor an abort has to wait for it: a lookup given up on finishes
// there, its result dropped, and a lookup asked meanwhile runs on a thread of its own.
std::vector<SocketAddress> ResolveHost(const std::string& host, std::uint16_t port,
                                       const IoBounds& bounds);

inline constexpr const char* kResolverThreadName = "kelbrin-resolve";

}  // namespace kelbrin::platform
