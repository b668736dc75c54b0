#include <gtest/gtest.h>
#include <net/if.h>

#include "NetNamespace.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "lines/NetHelpers.h"

namespace kelbrin::lines {
namespace {

using kelbrin::test::NetNamespace;

TEST(NetHelpers, TheInternetCountsAsReachable) { EXPECT_TRUE(IsNetReachable()); }

TEST(NetHelpers, AnEmptyAddressHasNoAdapter) { EXPECT_EQ(AdapterIndexOfAddress(""), 0u); }

TEST(NetHelpers, InterfaceIndexesByConnectionNameAndByAddress) {
  if (const auto why = NetNamespace::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const kelbrin::test::TempDir noNmcli;
  const kelbrin::test::ScopedEnv path("PATH", noNmcli.path().string());
  const bool ran = NetNamespace::Run([] {
    ASSERT_TRUE(NetNamespace::Ip({"link", "add", "kc0", "type", "veth", "peer", "name", "kc1"}));
    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.66.0.2/24", "dev", "kc0"}));
    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "192.168.66.2/24", "dev", "kc0"}));
    ASSERT_TRUE(NetNamespace::Ip({"addr", "add", "10.66.0.1/24", "dev", "kc1"}));
    const auto kc0 = ::if_nametoindex("kc0");
    const auto kc1 = ::if_nametoindex("kc1");

    ConnectionSources sources;
    sources.dialUpEntries = [] {
      return std::vector<platform::NetConnection>{{"ADSL Home", 0}, {"Mobile", 42}};
    };
    EXPECT_EQ(ConnectionAdapterIndex("kc0", sources), kc0);
    EXPECT_EQ(ConnectionAdapterIndex("KC1", sources), kc1);  // letter case ignored
    EXPECT_EQ(ConnectionAdapterIndex("mobile", sources), 42u);
    EXPECT_EQ(ConnectionAdapterIndex("ADSL Home", sources), 0u);  // not dialed
    EXPECT_EQ(ConnectionAdapterIndex("lo", sources), 0u);
    EXPECT_EQ(ConnectionAdapterIndex("kc", sources), 0u);

    std::vector<std::string> names{"stale"};
    EXPECT_TRUE(ListNetworkConnections(names, sources));
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 2, names.end()),
              (std::vector<std::string>{"ADSL Home", "Mobile"}));

    EXPECT_EQ(AdapterIndexOfAddress("192.168.66.2"), kc0);
    EXPECT_EQ(AdapterIndexOfAddress("10.66.0.1"), kc1);
    EXPECT_EQ(AdapterIndexOfAddress("127.0.0.1"), ::if_nametoindex("lo"));
    EXPECT_EQ(AdapterIndexOfAddress("10.66.0.9"), 0u);
    EXPECT_EQ(AdapterIndexOfAddress("not an address"), 0u);
  });
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace kelbrin::lines
