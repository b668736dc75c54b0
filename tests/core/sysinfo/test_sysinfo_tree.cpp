#include <gtest/gtest.h>

#include <sstream>

#include "SysInfoFixtures.h"
#include "sysinfo/SysInfoTree.h"

namespace kelbrin::sysinfo {
namespace {

using namespace fixtures;

TEST(SysInfoTree, ShowsTheServerMachine) {
  TSysInfo sysInfo(Sources("server", ServerAdapters(), {{"Wired connection 1", 4}}));
  const SysInfoTree tree = BuildSysInfoTree(sysInfo);
  EXPECT_FALSE(tree.error.has_value());
  // Two processors: the "CPU Numbers" node has four children, name and frequency alternating.
  EXPECT_EQ(RenderSysInfoTree(tree.root),
            "System Information\n"
            "  OS: Debian GNU/Linux 12 (bookworm)\n"
            "    Version: 6.18 (44.12 (bookworm))\n"
            "  CPU Numbers: 2\n"
            "    CPU: Intel(R) Xeon(R) Processor\n"
            "    Basic Frequency : 2600 MHZ\n"
            "    CPU: Intel(R) Xeon(R) Processor\n"
            "    Basic Frequency : 2600 MHZ\n"
            "  Memory Information\n"
            "    physical Memory: 24683728 KB\n"
            "    Available Memory: 23356648 KB\n"
            "  Network Information\n"
            "    NIC\n"
            "      virtio_net\n"
            "    Net Connection: Wired connection 1;\n");
}

TEST(SysInfoTree, EveryNodeCarriesItsPicture) {
  TSysInfo sysInfo(Sources("desktop", ServerAdapters()));
  const SysInfoNode root = BuildSysInfoTree(sysInfo).root;
  EXPECT_EQ(root.image, kImageSystem);
  ASSERT_EQ(root.children.size(), 4u);
  const SysInfoNode& os = root.children[0];
  const SysInfoNode& cpus = root.children[1];
  const SysInfoNode& memory = root.children[2];
  const SysInfoNode& network = root.children[3];
  EXPECT_EQ(os.image, kImageOs);
  EXPECT_EQ(os.children.at(0).image, kImageDetail);
  EXPECT_EQ(cpus.image, kImageCpus);
  ASSERT_EQ(cpus.children.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(cpus.children[i].image, i % 2 == 0 ? kImageCpu : kImageDetail) << i;
  EXPECT_EQ(memory.image, kImageMemory);
  for (const SysInfoNode& value : memory.children) EXPECT_EQ(value.image, kImageMemoryValue);
  EXPECT_EQ(network.image, kImageNetwork);
  const SysInfoNode& nic = network.children.at(0);
  EXPECT_EQ(nic.text, "NIC");
  EXPECT_EQ(nic.image, kImageCard);
  ASSERT_EQ(nic.children.size(), 3u);
  for (const SysInfoNode& card : nic.children) EXPECT_EQ(card.image, kImageCard);
  // No connection matches the adapter: one ";" per adapter.
  EXPECT_EQ(network.children.at(1).text, "Net Connection: ;");
  EXPECT_EQ(network.children.at(1).image, kImageNetwork);
}

// A processor without a clock ends the build there: the nodes built so far stay, the reason is
// given, and nothing after the processors is shown.
TEST(SysInfoTree, ProcessorWithoutClockEndsTheBuild) {
  TSysInfo sysInfo(Sources("noclock", ServerAdapters()));
  const SysInfoTree tree = BuildSysInfoTree(sysInfo);
  ASSERT_TRUE(tree.error.has_value());
  EXPECT_EQ(*tree.error, "processor 1 states no clock");
  EXPECT_EQ(RenderSysInfoTree(tree.root),
            "System Information\n"
            "  OS: Debian GNU/Linux 12 (bookworm)\n"
            "    Version: 6.18 (44.12 (bookworm))\n"
            "  CPU Numbers: 2\n");
}

TEST(SysInfoTree, WritesTheTextAndTellsWhetherItIsComplete) {
  struct Case {
    const char* machine;
    int status;
    const char* lastLine;
    const char* error;
  };
  for (const Case& c : {Case{"container", 0, "    Net Connection: ;\n", ""},
                        Case{"noclock", 1, "  CPU Numbers: 2\n",
                             "System Information: processor 1 states no clock\n"}}) {
    TSysInfo sysInfo(Sources(c.machine, ServerAdapters()));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(WriteSysInfoTree(sysInfo, out, err), c.status) << c.machine;
    EXPECT_TRUE(out.str().starts_with("System Information\n  OS: ")) << c.machine;
    EXPECT_TRUE(out.str().ends_with(c.lastLine)) << out.str();
    EXPECT_EQ(err.str(), c.error) << c.machine;
  }
}

TEST(SysInfoTree, EachBuildRefreshesTheAdapterTable) {
  int calls = 0;
  SysInfoSources sources = Sources("container", {});
  sources.getAdapters = [&calls](int& count, TAdaptorRows& rows) {
    rows.assign(static_cast<std::size_t>(++calls), TAdaptorInfo{});
    count = calls;
    return 0;
  };
  TSysInfo sysInfo(sources);
  EXPECT_EQ(BuildSysInfoTree(sysInfo).root.children.back().children.back().text,
            "Net Connection: ;");
  EXPECT_EQ(BuildSysInfoTree(sysInfo).root.children.back().children.back().text,
            "Net Connection: ;;");
}

}  // namespace
}  // namespace kelbrin::sysinfo
