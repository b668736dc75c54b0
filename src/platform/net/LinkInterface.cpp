#include "platform/net/LinkInterface.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace kelbrin::platform {
namespace {

namespace fs = std::filesystem;

std::optional<std::uint64_t> ReadCounter(const fs::path& path) {
  std::ifstream in(path);
  std::string text;
  if (!in || !std::getline(in, text) || text.empty() || text.size() > 32) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str()) return std::nullopt;
  return value;
}

class Socket {
 public:
  Socket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // The interface's IPv4 address of the given kind (SIOCGIFADDR, SIOCGIFDSTADDR).
  std::optional<std::string> Address(const std::string& interface, unsigned long request) const {
    ifreq query{};
    if (!Name(interface, query) || ::ioctl(fd_, request, &query) != 0) return std::nullopt;
    const auto* address = reinterpret_cast<const sockaddr_in*>(&query.ifr_addr);
    char text[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) return std::nullopt;
    return std::string(text);
  }

  std::optional<short> Flags(const std::string& interface) const {
    ifreq query{};
    if (!Name(interface, query) || ::ioctl(fd_, SIOCGIFFLAGS, &query) != 0) return std::nullopt;
    return query.ifr_flags;
  }

 private:
  bool Name(const std::string& interface, ifreq& query) const {
    if (fd_ < 0 || !InterfaceName(interface)) return false;
    interface.copy(query.ifr_name, IFNAMSIZ - 1);
    return true;
  }

  int fd_;
};

}  // namespace

bool InterfaceName(const std::string& name) {
  return !name.empty() && name.size() < IFNAMSIZ && name != "." && name != ".." &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
         });
}

bool InterfaceCarries(const std::string& interface) {
  const Socket socket;
  const auto flags = socket.Flags(interface);
  return flags && (*flags & IFF_UP) != 0 && socket.Address(interface, SIOCGIFADDR).has_value();
}

std::optional<LinkAddresses> InterfaceAddresses(const std::string& interface) {
  const Socket socket;
  const auto local = socket.Address(interface, SIOCGIFADDR);
  if (!local) return std::nullopt;
  // Without a peer of its own the kernel answers the local address as the destination.
  std::string peer = socket.Address(interface, SIOCGIFDSTADDR).value_or("");
  if (peer == *local) peer.clear();
  return LinkAddresses{*local, std::move(peer)};
}

std::optional<LinkCounters> InterfaceCounters(const fs::path& netClassDir,
                                              const std::string& interface) {
  if (!InterfaceName(interface)) return std::nullopt;
  const fs::path statistics = netClassDir / interface / "statistics";
  const auto sent = ReadCounter(statistics / "tx_bytes");
  const auto received = ReadCounter(statistics / "rx_bytes");
  if (!sent || !received) return std::nullopt;
  return LinkCounters{*sent, *received};
}

std::uint32_t InterfaceIndex(const std::string& interface) {
  return InterfaceName(interface) ? ::if_nametoindex(interface.c_str()) : 0;
}

}  // namespace kelbrin::platform
