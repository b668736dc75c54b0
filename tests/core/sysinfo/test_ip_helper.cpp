#include <gtest/gtest.h>
#include <net/if.h>

#include <fstream>
#include <sstream>

#include "NetNamespace.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "sysinfo/IpHelper.h"

namespace kelbrin::sysinfo {
namespace {

using test::NetNamespace;

TEST(IpHelper, FormatMac) {
  const std::uint8_t six[] = {0x00, 0x1a, 0x2B, 0xc3, 0x04, 0xFF};
  const std::uint8_t ten[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(FormatMac(six, 6), "00-1A-2B-C3-04-FF");
  EXPECT_EQ(FormatMac(six, 6).size(), 17u);
  EXPECT_EQ(FormatMac(six, 0), "00-00-00-00-00-00");
  EXPECT_EQ(FormatMac(six, 1), "00");
  EXPECT_EQ(FormatMac(ten, 10), "01-02-03-04-05-06-07-08");  // at most 8 bytes
}

TEST(IpHelper, ParseAndFormatIPv4PutTheFirstNumberInTheLowestByte) {
  struct Case {
    const char* dotted;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"192.168.1.2", 0x0201A8C0u},
      {"127.0.0.1", 0x0100007Fu},
      {"0.0.0.0", 0u},
      {"255.255.255.255", 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseIPv4(c.dotted), c.value) << c.dotted;
    EXPECT_EQ(FormatIPv4(c.value), c.dotted) << c.dotted;
  }
  // A part that is not a number zeroes what was read so far; the later parts still count.
  EXPECT_EQ(ParseIPv4("10.x.3.4"), 0x04030000u);
  EXPECT_EQ(ParseIPv4("1.2.3.x"), 0u);
}

TEST(IpHelper, IsLanAddress) {
  struct Case {
    const char* address;
    bool lan;
  };
  const Case cases[] = {
      {"", true},
      {"   ", true},
      {"127.0.0.1", true},
      {"127.0.0.2", false},
      {"0.1.2.3", true},
      {"10.20.30.40", true},
      {"172.16.0.1", true},
      {"172.31.255.1", true},
      {"172.32.0.5", false},
      {"172.15.0.1", false},
      {"192.168.1.10", true},
      {"192.169.1.1", false},
      {"192.168", false},
      {"203.0.113.7", false},
      {"8.8.8.8", false},
      {"abc", false},
      {" 10 . 1.1.1", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsLanAddress(c.address), c.lan) << '"' << c.address << '"';
}

// A namespace with two veth ends: kh0 (two addresses, the default route) and kh1 (the gateway).
void MakeTwoLinks() {
  ASSERT_TRUE(NetNamespace::Ip({"link", "add", "kh0", "type", "veth", "peer", "name", "kh1"}));
  ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kh0", "address", "02:00:5e:10:20:30"}));
  ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.55.0.2/24", "dev", "kh0"}));
  ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "192.168.9.2/16", "dev", "kh0"}));
  ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.55.0.1/24", "dev", "kh1"}));
  ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kh0", "up"}));
  ASSERT_TRUE(NetNamespace::Ip({"link", "set", "kh1", "up"}));
  ASSERT_TRUE(NetNamespace::Ip({"route", "add", "default", "via", "10.55.0.1", "dev", "kh0"}));
}

TEST(IpHelper, AdapterTableOfTheKernel) {
  if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  test::TempDir files;
  const test::ScopedEnv noNetworkManager("PATH", files.path().string());
  std::ofstream(files / "resolv.conf") << "nameserver 10.55.0.53\nnameserver 10.55.0.54\n";
  const bool ran = NetNamespace::Run([&] {
    MakeTwoLinks();
    const int kh0 = static_cast<int>(::if_nametoindex("kh0"));
    const int kh1 = static_cast<int>(::if_nametoindex("kh1"));
    std::filesystem::create_directory(files / "udev");
    std::ofstream(files / "udev" / ("n" + std::to_string(kh1)))
        << "E:ID_MODEL_FROM_DATABASE=Virtual Ethernet Test Adapter \n";

    AdapterSources sources;
    sources.facts.udevDataDir = (files / "udev").string();
    sources.facts.resolverFiles = {(files / "missing.conf").string(),
                                   (files / "resolv.conf").string()};
    int count = -1;
    TAdaptorRows rows;
    ASSERT_EQ(GetAdapters(count, rows, sources), 0);
    ASSERT_EQ(count, 2);  // loopback is no adapter
    ASSERT_EQ(rows.size(), 2u);
    const TAdaptorInfo& first = rows[0].AdapterName == "kh0" ? rows[0] : rows[1];
    const TAdaptorInfo& second = rows[0].AdapterName == "kh0" ? rows[1] : rows[0];

    EXPECT_EQ(first.AdapterName, "kh0");
    EXPECT_EQ(first.Description, "veth");  // no device record: the driver's name
    EXPECT_EQ(first.HardwareAddress, "02-00-5E-10-20-30");
    EXPECT_EQ(first.Index, kh0);
    EXPECT_EQ(first.Type, 6);
    EXPECT_EQ(first.DhcpEnabled, 0);
    EXPECT_EQ(first.CurrentAddress, "10.55.0.2");
    EXPECT_EQ(first.CurrentMask, "255.255.255.0");
    EXPECT_EQ(first.AddressList, (std::vector<std::string>{"10.55.0.2", "192.168.9.2"}));
    EXPECT_EQ(first.MaskList, (std::vector<std::string>{"255.255.255.0", "255.255.0.0"}));
    EXPECT_EQ(first.GatewayList, std::vector<std::string>{"10.55.0.1"});
    EXPECT_TRUE(first.DhcpServerList.empty());
    EXPECT_EQ(first.CurrentDnsServer, "10.55.0.53");
    EXPECT_EQ(first.DnsServerList, (std::vector<std::string>{"10.55.0.53", "10.55.0.54"}));

    EXPECT_EQ(second.AdapterName, "kh1");
    EXPECT_EQ(second.Description, "Virtual Ethernet Test Adapter");
    EXPECT_EQ(second.Index, kh1);
    EXPECT_EQ(second.AddressList, std::vector<std::string>{"10.55.0.1"});
    EXPECT_TRUE(second.GatewayList.empty());

    ASSERT_TRUE(NetNamespace::Ip({"link", "add", "kh2", "type", "veth", "peer", "name", "kh3"}));
    sources.facts.resolverFiles = {(files / "missing.conf").string()};
    ASSERT_EQ(GetAdapters(count, rows, sources), 0);
    ASSERT_EQ(count, 4);
    for (const TAdaptorInfo& row : rows) {
      if (row.AdapterName != "kh2") continue;
      EXPECT_EQ(row.CurrentAddress, "  0.  0.  0.  0");  // an adapter without an address
      EXPECT_EQ(row.CurrentMask, "  0.  0.  0.  0");
      EXPECT_TRUE(row.AddressList.empty());
      EXPECT_EQ(row.DnsServerList, std::vector<std::string>{""});  // no name server known
      EXPECT_EQ(row.Description, "veth");
    }
  });
  EXPECT_TRUE(ran);
}

TEST(IpHelper, DhcpFlagAndServerComeFromNetworkManager) {
  if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  test::TempDir bin;
  std::ofstream(bin / "nmcli")
      << "#!/bin/sh\n"
         "case \"$*\" in\n"
         "  *'device show kh0') echo 'DHCP4.OPTION[1]:dhcp_server_identifier = 10.55.0.1' ;;\n"
         "  *'device show kh1') ;;\n"
         "  *) exit 10 ;;\n"
         "esac\n";
  std::filesystem::permissions(bin / "nmcli", std::filesystem::perms::owner_all);
  const test::ScopedEnv path("PATH", bin.path().string());
  const bool ran = NetNamespace::Run([&] {
    MakeTwoLinks();
    int count = 0;
    TAdaptorRows rows;
    ASSERT_EQ(GetAdapters(count, rows), 0);
    ASSERT_EQ(count, 2);
    for (const TAdaptorInfo& row : rows) {
      const bool leased = row.AdapterName == "kh0";
      EXPECT_EQ(row.DhcpEnabled, leased ? 1 : 0) << row.AdapterName;
      EXPECT_EQ(row.DhcpServerList,
                leased ? std::vector<std::string>{"10.55.0.1"} : std::vector<std::string>{})
          << row.AdapterName;
    }
  });
  EXPECT_TRUE(ran);
}

TEST(IpHelper, LocalAddressesAndLanOnly) {
  if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const bool ran = NetNamespace::Run([] {
    MakeTwoLinks();
    std::vector<std::string> lines{"stale"};
    GetLocalAddresses(lines);
    // The kernel's order, as the ip tool lists it.
    std::vector<std::string> expected;
    std::istringstream listed(NetNamespace::IpOutput({"-4", "-o", "addr", "show"}));
    for (std::string line; std::getline(listed, line);) {
      std::istringstream words(line);
      std::string index, name, family, address;
      words >> index >> name >> family >> address;
      expected.push_back(address.substr(0, address.find('/')));
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.front(), "127.0.0.1");
    EXPECT_TRUE(IsLanOnly());

    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "203.0.113.7/24", "dev", "kh1"}));
    EXPECT_FALSE(IsLanOnly());
    ASSERT_TRUE(NetNamespace::Ip({"addr", "del", "203.0.113.7/24", "dev", "kh1"}));
    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "172.32.0.5/24", "dev", "kh1"}));
    EXPECT_FALSE(IsLanOnly());
  });
  EXPECT_TRUE(ran);
}

TEST(IpHelper, ANamespaceWithoutAddressesHasNoEntries) {
  if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const bool ran = NetNamespace::Run([] {
    ASSERT_TRUE(NetNamespace::Ip({"addr", "flush", "dev", "lo"}));
    std::vector<std::string> lines;
    GetLocalAddresses(lines);
    EXPECT_EQ(lines, std::vector<std::string>{"no entries."});
    EXPECT_FALSE(IsLanOnly());
  });
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace kelbrin::sysinfo
