#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "NetNamespace.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/net/NetConnections.h"
#include "platform/net/NetworkManager.h"

namespace kelbrin::platform {
namespace {

using test::NetNamespace;

// A folder for PATH holding a fake `nmcli` that answers like NetworkManager does.
class FakeNmcli {
 public:
  explicit FakeNmcli(const std::string& script) {
    const auto path = dir_ / "nmcli";
    std::ofstream(path) << "#!/bin/sh\n" << script;
    ::chmod(path.c_str(), 0755);
  }
  std::string path() const { return dir_.path().string(); }

 private:
  test::TempDir dir_;
};

const char* const kRunningNetworkManager =
    "case \"$*\" in\n"
    "  '-t -f NAME,TYPE,DEVICE,ACTIVE-PATH connection show')\n"
    "    printf 'Wired connection 1:802-3-ethernet:kn0:/org/freedesktop/NetworkManager/"
    "ActiveConnection/1\\nOffice\\\\:VPN:vpn::\\nHome Wi-Fi:802-11-wireless:--:\\n"
    "lo:loopback:lo:/org/freedesktop/NetworkManager/ActiveConnection/2\\n"
    "DSL:pppoe:kn0:/org/freedesktop/NetworkManager/ActiveConnection/7\\nMobile:gsm::\\n' ;;\n"
    "  '-t -f DHCP4 device show kn0')\n"
    "    printf 'DHCP4.OPTION[1]:dhcp_lease_time = 3600\\n"
    "DHCP4.OPTION[2]:dhcp_server_identifier = 10.66.0.1\\n' ;;\n"
    "  '-t -f DHCP4 device show kn1') ;;\n"
    "  '-t -f GENERAL.STATE,GENERAL.IP-IFACE connection show apath "
    "/org/freedesktop/NetworkManager/ActiveConnection/7')\n"
    "    printf 'GENERAL.STATE:activated\\nGENERAL.IP-IFACE:ppp0\\n' ;;\n"
    "  '-t -f GENERAL.STATE,GENERAL.IP-IFACE connection show apath "
    "/org/freedesktop/NetworkManager/ActiveConnection/8') ;;\n"
    "  '-t -f pppoe.username connection show id DSL')\n"
    "    printf 'pppoe.username:bob\\\\:1\\n' ;;\n"
    "  '-t -f gsm.username connection show id Mobile')\n"
    "    printf 'gsm.username:--\\n' ;;\n"
    "  *) exit 10 ;;\n"
    "esac\n";

const char* const kStoppedNetworkManager =
    "echo 'Error: NetworkManager is not running.' >&2\nexit 8\n";

TEST(NetworkManager, SplitsTerseLinesAtUnescapedColons) {
  EXPECT_EQ(NetworkManager::SplitTerse("a:b"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(NetworkManager::SplitTerse("Office\\:VPN:"),
            (std::vector<std::string>{"Office:VPN", ""}));
  EXPECT_EQ(NetworkManager::SplitTerse("a\\\\:b"), (std::vector<std::string>{"a\\", "b"}));
}

TEST(NetworkManager, ReadsConnectionsAndDhcpThroughNmcli) {
  const FakeNmcli nmcli(kRunningNetworkManager);
  const test::ScopedEnv path("PATH", nmcli.path());
  const NetworkManager networkManager;

  const auto connections = networkManager.Connections();
  ASSERT_TRUE(connections.has_value());
  ASSERT_EQ(connections->size(), 6u);
  EXPECT_EQ((*connections)[0].name, "Wired connection 1");
  EXPECT_EQ((*connections)[0].type, "802-3-ethernet");
  EXPECT_EQ((*connections)[0].device, "kn0");
  EXPECT_EQ((*connections)[0].activePath, "/org/freedesktop/NetworkManager/ActiveConnection/1");
  EXPECT_EQ((*connections)[1].name, "Office:VPN");
  EXPECT_EQ((*connections)[1].device, "");
  EXPECT_EQ((*connections)[1].activePath, "");
  EXPECT_EQ((*connections)[2].name, "Home Wi-Fi");
  EXPECT_EQ((*connections)[2].device, "");
  EXPECT_EQ((*connections)[4].type, "pppoe");

  const auto leased = networkManager.DeviceDhcp("kn0");
  ASSERT_TRUE(leased.has_value());
  EXPECT_TRUE(leased->enabled);
  EXPECT_EQ(leased->server, "10.66.0.1");
  const auto unleased = networkManager.DeviceDhcp("kn1");
  ASSERT_TRUE(unleased.has_value());
  EXPECT_FALSE(unleased->enabled);
  EXPECT_FALSE(networkManager.DeviceDhcp("kn9").has_value());
}

TEST(NetworkManager, ReadsAnActiveConnectionAndAProfileSetting) {
  const FakeNmcli nmcli(kRunningNetworkManager);
  const test::ScopedEnv path("PATH", nmcli.path());
  const NetworkManager networkManager;

  const auto active =
      networkManager.ActiveConnection("/org/freedesktop/NetworkManager/ActiveConnection/7");
  ASSERT_TRUE(active.has_value());
  EXPECT_EQ(active->state, "activated");
  EXPECT_EQ(active->ipInterface, "ppp0");
  // No GENERAL fields (no longer active) and an unknown path (exit 10) are both no activation.
  EXPECT_FALSE(networkManager.ActiveConnection("/org/freedesktop/NetworkManager/ActiveConnection/8")
                   .has_value());
  EXPECT_FALSE(networkManager.ActiveConnection("/org/freedesktop/NetworkManager/ActiveConnection/9")
                   .has_value());
  EXPECT_FALSE(networkManager.ActiveConnection("").has_value());

  EXPECT_EQ(networkManager.ProfileSetting("DSL", "pppoe.username"), "bob:1");
  EXPECT_EQ(networkManager.ProfileSetting("Mobile", "gsm.username"), "");
  EXPECT_EQ(networkManager.ProfileSetting("Gone", "gsm.username"), std::nullopt);
}

TEST(NetworkManager, PppoeAndMobileBroadbandAreTheDialUpTypes) {
  for (const char* type : {"pppoe", "gsm", "cdma"}) EXPECT_TRUE(NetworkManager::DialUpType(type));
  for (const char* type : {"802-3-ethernet", "802-11-wireless", "vpn", "bluetooth", ""}) {
    EXPECT_FALSE(NetworkManager::DialUpType(type)) << type;
  }
}

TEST(NetworkManager, AStoppedOrMissingNetworkManagerDoesNotAnswer) {
  const FakeNmcli stopped(kStoppedNetworkManager);
  {
    const test::ScopedEnv path("PATH", stopped.path());
    EXPECT_FALSE(NetworkManager().Connections().has_value());
    EXPECT_FALSE(NetworkManager().DeviceDhcp("kn0").has_value());
  }
  const test::TempDir empty;
  const test::ScopedEnv path("PATH", empty.path().string());
  EXPECT_FALSE(NetworkManager().Connections().has_value());
}

TEST(NetworkManager, AHangingNmcliIsCutOffAtTheTimeOut) {
  const FakeNmcli hanging("exec sleep 30\n");
  const test::ScopedEnv path("PATH", hanging.path() + ":/usr/bin:/bin");
  EXPECT_FALSE(NetworkManager(std::chrono::milliseconds(200)).Connections().has_value());
}

TEST(NetConnections, NamesComeFromNetworkManagerElseFromTheInterfaces) {
  if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const FakeNmcli running(kRunningNetworkManager);
  const test::TempDir empty;
  const bool ran = NetNamespace::Run([&] {
    ASSERT_TRUE(NetNamespace::Ip({"link", "add", "kn0", "type", "veth", "peer", "name", "kn1"}));
    const int kn0 = static_cast<int>(::if_nametoindex("kn0"));
    const int kn1 = static_cast<int>(::if_nametoindex("kn1"));
    {
      const test::ScopedEnv path("PATH", running.path());
      const auto connections = ListNetConnections(NetworkManager());
      ASSERT_EQ(connections.size(), 5u);  // not the loopback profile
      EXPECT_EQ(connections[0].name, "Wired connection 1");
      EXPECT_EQ(connections[0].index, kn0);
      EXPECT_EQ(connections[1].name, "Office:VPN");
      EXPECT_EQ(connections[1].index, 0);
      EXPECT_EQ(connections[3].name, "DSL");
      // Left to the dial-up phonebook, the PPPoE and mobile connections are not listed here.
      std::vector<std::string> names;
      for (const auto& connection :
           ListNetConnections(NetworkManager(), NmDialUpConnections::LeftToPhonebook)) {
        names.push_back(connection.name);
      }
      EXPECT_EQ(names,
                (std::vector<std::string>{"Wired connection 1", "Office:VPN", "Home Wi-Fi"}));
    }
    const test::ScopedEnv path("PATH", empty.path().string());
    const auto connections = ListNetConnections(NetworkManager());
    std::vector<std::pair<std::string, int>> named;
    for (const auto& connection : connections)
      named.emplace_back(connection.name, connection.index);
    std::sort(named.begin(), named.end());  // the kernel decides which of the pair comes first
    EXPECT_EQ(named, (std::vector<std::pair<std::string, int>>{{"kn0", kn0}, {"kn1", kn1}}));
  });
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace kelbrin::platform
