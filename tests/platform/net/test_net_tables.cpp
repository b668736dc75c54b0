#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <net/if_arp.h>

#include <fstream>
#include <sstream>

#include "NetNamespace.h"
#include "TempDir.h"
#include "platform/net/NetDeviceFacts.h"
#include "platform/net/NetTables.h"

namespace kelbrin::platform {
namespace {

using test::NetNamespace;

std::string Dotted(std::uint32_t stored) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr address{stored};
  return ::inet_ntop(AF_INET, &address, text, sizeof text);
}

// The IPv4 addresses as `ip` lists them (the kernel's dump order), "index address/prefix".
std::vector<std::string> IpToolAddresses() {
  std::istringstream lines(NetNamespace::IpOutput({"-4", "-o", "addr", "show"}));
  std::vector<std::string> addresses;
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string index, name, family, address;
    words >> index >> name >> family >> address;
    index.pop_back();  // "2:"
    addresses.push_back(index + " " + address);
  }
  return addresses;
}

int PrefixOf(std::uint32_t storedMask) { return __builtin_popcount(ntohl(storedMask)); }

TEST(NetTables, ReadsLinksAddressesAndDefaultGatewaysOfTheNamespace) {
  if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const bool ran = NetNamespace::Run([] {
    ASSERT_TRUE(NetNamespace::Ip({"link", "add", "kt0", "type", "veth", "peer", "name", "kt1"}));
    ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kt0", "address", "02:11:22:33:44:55"}));
    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.77.0.2/24", "dev", "kt0"}));
    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "192.168.50.2/16", "dev", "kt0"}));
    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.77.0.1/24", "dev", "kt1"}));
    ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kt0", "up"}));
    ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kt1", "up"}));
    ASSERT_TRUE(NetNamespace::Ip({"route", "add", "default", "via", "10.77.0.1", "dev", "kt0"}));

    NetTables tables;
    ASSERT_EQ(ReadNetTables(tables), 0);

    const int kt0 = static_cast<int>(::if_nametoindex("kt0"));
    const int kt1 = static_cast<int>(::if_nametoindex("kt1"));
    ASSERT_EQ(tables.links.size(), 3u);  // lo, kt0, kt1 and nothing of the host
    EXPECT_EQ(tables.links[0].name, "lo");
    EXPECT_EQ(tables.links[0].type, ARPHRD_LOOPBACK);
    bool sawKt0 = false;
    for (const NetLink& link : tables.links) {
      if (link.name != "kt0") continue;
      sawKt0 = true;
      EXPECT_EQ(link.index, kt0);
      EXPECT_EQ(link.type, ARPHRD_ETHER);
      EXPECT_EQ(link.hardwareAddress,
                (std::vector<std::uint8_t>{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}));
    }
    EXPECT_TRUE(sawKt0);

    std::vector<std::string> read;
    for (const NetAddress& address : tables.addresses) {
      read.push_back(std::to_string(address.index) + " " + Dotted(address.address) + "/" +
                     std::to_string(PrefixOf(address.mask)));
    }
    EXPECT_EQ(read, IpToolAddresses());
    EXPECT_EQ(read.size(), 4u);

    ASSERT_EQ(tables.gateways.size(), 1u);
    EXPECT_EQ(tables.gateways[0].index, kt0);
    EXPECT_EQ(Dotted(tables.gateways[0].gateway), "10.77.0.1");
    EXPECT_NE(kt1, 0);
    EXPECT_EQ(DriverName("kt0"), "veth");
    EXPECT_EQ(DriverName("no-such-if"), "");
  });
  EXPECT_TRUE(ran) << "could not enter a new network namespace";
}

TEST(NetDeviceFacts, ModelComesFromTheUdevDeviceRecord) {
  test::TempDir udev;
  std::ofstream(udev / "n7") << "I:123\nE:ID_NET_NAME_PATH=enp0s3\n"
                                "E:ID_MODEL_FROM_DATABASE=82540EM Gigabit Ethernet Controller\n";
  std::ofstream(udev / "n8") << "E:ID_NET_NAME_PATH=enp0s8\n";
  EXPECT_EQ(DeviceModel(7, udev.path().string()), "82540EM Gigabit Ethernet Controller");
  EXPECT_EQ(DeviceModel(8, udev.path().string()), "");
  EXPECT_EQ(DeviceModel(9, udev.path().string()), "");
}

TEST(NetDeviceFacts, DnsServersComeFromTheFirstResolverFileThatExists) {
  test::TempDir dir;
  std::ofstream(dir / "resolved.conf") << "# resolved\nnameserver 10.0.0.53\n"
                                          "nameserver fe80::1\nnameserver 9.9.9.9\n"
                                          "search example.org\n";
  std::ofstream(dir / "resolv.conf") << "nameserver 127.0.0.53\n";
  const std::string resolved = (dir / "resolved.conf").string();
  const std::string plain = (dir / "resolv.conf").string();
  const std::string missing = (dir / "missing.conf").string();

  EXPECT_EQ(DnsServers({resolved, plain}), (std::vector<std::string>{"10.0.0.53", "9.9.9.9"}));
  EXPECT_EQ(DnsServers({missing, plain}), (std::vector<std::string>{"127.0.0.53"}));
  EXPECT_EQ(DnsServers({missing}), std::vector<std::string>{});
}

}  // namespace
}  // namespace kelbrin::platform
