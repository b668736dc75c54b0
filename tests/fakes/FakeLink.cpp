#include "FakeLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace kelbrin::fake {
namespace {

std::uint16_t Checksum(const unsigned char* data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
  }
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

bool SetAddress(int sock, const std::string& name, unsigned long request, const std::string& ip) {
  ifreq query{};
  std::strncpy(query.ifr_name, name.c_str(), IFNAMSIZ - 1);
  auto* address = reinterpret_cast<sockaddr_in*>(&query.ifr_addr);
  address->sin_family = AF_INET;
  if (::inet_pton(AF_INET, ip.c_str(), &address->sin_addr) != 1) return false;
  return ::ioctl(sock, request, &query) == 0;
}

}  // namespace

int CreateLinkInterface(const std::string& pattern, const std::string& local,
                        const std::string& peer, std::string& name) {
  const int tun = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
  if (tun < 0) return -1;
  ifreq request{};
  request.ifr_flags = IFF_TUN | IFF_NO_PI;
  std::strncpy(request.ifr_name, pattern.c_str(), IFNAMSIZ - 1);
  if (::ioctl(tun, TUNSETIFF, &request) != 0) {
    ::close(tun);
    return -1;
  }
  name = request.ifr_name;
  const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  bool ok = sock >= 0 && SetAddress(sock, name, SIOCSIFADDR, local) &&
            (peer.empty() || SetAddress(sock, name, SIOCSIFDSTADDR, peer)) &&
            SetAddress(sock, name, SIOCSIFNETMASK, "255.255.255.255");
  if (ok) {
    ifreq flags{};
    std::strncpy(flags.ifr_name, name.c_str(), IFNAMSIZ - 1);
    ok = ::ioctl(sock, SIOCGIFFLAGS, &flags) == 0;
    flags.ifr_flags = static_cast<short>(flags.ifr_flags | IFF_UP | IFF_RUNNING);
    ok = ok && ::ioctl(sock, SIOCSIFFLAGS, &flags) == 0;
  }
  if (sock >= 0) ::close(sock);
  if (!ok) {
    ::close(tun);
    return -1;
  }
  return tun;
}

bool WritePeerPacket(int tun, const std::string& from, const std::string& to) {
  unsigned char packet[kPeerPacketBytes] = {};
  packet[0] = 0x45;
  packet[3] = kPeerPacketBytes;
  packet[8] = 64;
  packet[9] = IPPROTO_UDP;
  ::inet_pton(AF_INET, from.c_str(), packet + 12);
  ::inet_pton(AF_INET, to.c_str(), packet + 16);
  const std::uint16_t sum = Checksum(packet, 20);
  packet[10] = static_cast<unsigned char>(sum >> 8);
  packet[11] = static_cast<unsigned char>(sum & 0xff);
  packet[21] = 9;  // discard port, both ends
  packet[23] = 9;
  packet[25] = kPeerPacketBytes - 20;
  return ::write(tun, packet, sizeof packet) == static_cast<ssize_t>(sizeof packet);
}

}  // namespace kelbrin::fake
