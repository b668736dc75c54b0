#pragma once

#include <cstddef>
#include <string>

namespace kelbrin::fake {

// The link a fake dial-up facility brings up: a tun interface standing in for ppp0 or wwan0 (this
// kernel may have no ppp module), in the caller's network namespace.

// Creates the interface named after `pattern` (e.g. "ppp%d"), gives it `local` and, unless empty,
// the point-to-point `peer`, and brings it up. The interface lives as long as the returned
// descriptor; -1 on failure. `name` receives the interface's name.
int CreateLinkInterface(const std::string& pattern, const std::string& local,
                        const std::string& peer, std::string& name);

// The peer's traffic: one IPv4/UDP packet of kPeerPacketBytes from `from` to `to` written into
// the link, so the interface counts it as received.
inline constexpr std::size_t kPeerPacketBytes = 48;
bool WritePeerPacket(int tun, const std::string& from, const std::string& to);

}  // namespace kelbrin::fake
