#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "SysInfoFixtures.h"
#include "TempDir.h"
#include "platform/machine/CpuInfo.h"
#include "platform/machine/OsRelease.h"
#include "sysinfo/TSysInfo.h"

namespace kelbrin::sysinfo {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using namespace fixtures;

struct MachineCase {
  const char* machine;
  const char* osName;
  const char* osVersion;
  double totalKb;
  double availableKb;
  int cpuCount;
  std::vector<std::pair<std::string, int>> cpus;  // empty when the list cannot be read
  std::vector<std::string> cards;
};

void PrintTo(const MachineCase& c, std::ostream* os) { *os << c.machine; }

class CollectorOnMachine : public ::testing::TestWithParam<MachineCase> {};

TEST_P(CollectorOnMachine, ReadsTheMachineFacts) {
  const MachineCase& c = GetParam();
  const TSysInfo sysInfo(Sources(c.machine, {}));
  EXPECT_EQ(sysInfo.GetOSName(), c.osName);
  EXPECT_EQ(sysInfo.GetOSVersion(), c.osVersion);
  EXPECT_EQ(sysInfo.GetIISVersion(), "IIS 5.0");
  EXPECT_EQ(sysInfo.GetTotalMemoryKB(), c.totalKb);
  EXPECT_EQ(sysInfo.GetAvailMemoryKB(), c.availableKb);
  EXPECT_EQ(sysInfo.GetCPUCount(), c.cpuCount);
  TCpuInfoArray cpus{{"kept", 1}};
  if (c.cpus.empty()) {
    EXPECT_THROW(sysInfo.GetCPUList(cpus), std::runtime_error);
    ASSERT_EQ(cpus.size(), 1u);  // the caller's array is not half-written
  } else {
    sysInfo.GetCPUList(cpus);
    ASSERT_EQ(cpus.size(), c.cpus.size());
    for (std::size_t i = 0; i < cpus.size(); ++i) {
      EXPECT_EQ(cpus[i].Name, c.cpus[i].first);
      EXPECT_EQ(cpus[i].MHz, c.cpus[i].second);
    }
  }
  TAdapterArray cards;
  sysInfo.GetNetworkCards(cards);
  EXPECT_THAT(cards, ElementsAreArray(c.cards));
}

const std::string kXeon = "Intel(R) Xeon(R) Processor";
const std::string kCore = "12th Gen Intel(R) Core(TM) i7-1260P";

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CollectorOnMachine,
    ::testing::Values(
        // The build machine: Debian in a VM, two processors without cpufreq, one virtio card
        // without a udev database entry (so its driver names it).
        MachineCase{"server",
                    "Debian GNU/Linux 12 (bookworm)",
                    "6.18 (44.12 (bookworm))",
                    24683728,
                    23356648,
                    2,
                    {{kXeon, 2600}, {kXeon, 2600}},
                    {"virtio_net"}},
        // cpufreq's maximum wins over the momentary "cpu MHz"; udev names two of the three
        // cards; the edition is appended; lo and docker0 are no cards.
        MachineCase{"desktop",
                    "Fedora Linux 40 Workstation Edition",
                    "6.8 (9.40 (Workstation Edition))",
                    16303620,
                    9876543,
                    2,
                    {{kCore, 4700}, {kCore, 4700}},
                    {"RTL8111/8168/8211/8411 PCI Express Gigabit Ethernet Controller",
                     "Wi-Fi 6 AX200", "r8152"}},
        // No VERSION (VERSION_ID stands in), no MemAvailable (MemFree stands in), a veth only.
        MachineCase{"container",
                    "Alpine Linux v3.19",
                    "6.18 (44.3.19.1)",
                    24683728,
                    21779768,
                    1,
                    {{kXeon, 2600}},
                    {}},
        MachineCase{"eleven",
                    "Debian GNU/Linux 12 (bookworm)",
                    "6.18 (44.12 (bookworm))",
                    24683728,
                    23355212,
                    2,
                    {{kXeon, 2600}, {kXeon, 2600}},
                    std::vector<std::string>(11, "e1000e")},
        MachineCase{"noclock",
                    "Debian GNU/Linux 12 (bookworm)",
                    "6.18 (44.12 (bookworm))",
                    24683728,
                    23354312,
                    2,
                    {},
                    {"virtio_net"}}),
    [](const ::testing::TestParamInfo<MachineCase>& c) { return std::string(c.param.machine); });

TEST(Collector, NothingReadableGivesTheFallbacks) {
  const kelbrin::test::TempDir empty;
  SysInfoSources sources;
  sources.root = empty.path();
  const TSysInfo sysInfo(sources);
  EXPECT_EQ(sysInfo.GetOSName(), "Unknown Windows Version");
  EXPECT_EQ(sysInfo.GetOSVersion(), "0.0 (0.)");
  EXPECT_EQ(sysInfo.GetTotalMemoryKB(), 0);
  EXPECT_EQ(sysInfo.GetCPUCount(), 0);
  TCpuInfoArray cpus{{"kept", 1}};
  sysInfo.GetCPUList(cpus);
  EXPECT_EQ(cpus.size(), 1u);
  TAdapterArray cards{"kept"};
  sysInfo.GetNetworkCards(cards);
  EXPECT_THAT(cards, ElementsAre("kept"));
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

// Older 32-bit ARM kernels name the processor once above the blocks and state no "cpu MHz";
// cpufreq gives the clock.
TEST(CpuInfoReader, OlderArmLayoutTakesTheNameAboveTheBlocks) {
  const kelbrin::test::TempDir root;
  WriteFile(root.path() / "proc/cpuinfo",
            "Processor\t: ARMv7 Processor rev 4 (v7l)\nprocessor\t: 0\nBogoMIPS\t: 38.40\n\n"
            "processor\t: 1\nBogoMIPS\t: 38.40\n\nHardware\t: BCM2709\nRevision\t: a02082\n");
  for (const char* cpu : {"cpu0", "cpu1"})
    WriteFile(root.path() / "sys/devices/system/cpu" / cpu / "cpufreq/cpuinfo_max_freq",
              "1200000\n");
  const std::vector<platform::CpuEntry> cpus = platform::ReadCpuInfo(root.path());
  ASSERT_EQ(cpus.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(cpus[i].number, i);
    EXPECT_EQ(cpus[i].name, "ARMv7 Processor rev 4 (v7l)");
    EXPECT_EQ(cpus[i].clockMhz, 1200);
  }
}

TEST(OsReleaseReader, UnquotesLikeTheShellAndSkipsComments) {
  const kelbrin::test::TempDir root;
  WriteFile(root.path() / "usr/lib/os-release",
            "# vendor file\nNAME='Plain \"quoted\"'\nPRETTY_NAME=\"Say \\\"hi\\\" \\$x\"\n"
            "  VERSION_ID=7\n=nothing\n");
  const auto values = platform::ReadOsRelease(root.path());
  EXPECT_EQ(values.at("NAME"), "Plain \"quoted\"");
  EXPECT_EQ(values.at("PRETTY_NAME"), "Say \"hi\" $x");
  EXPECT_EQ(values.at("VERSION_ID"), "7");
  EXPECT_EQ(values.size(), 3u);
}

TEST(AdapterTable, FillsTheEightTextsPerAdapterInOrder) {
  TSysInfo sysInfo(
      Sources("desktop",
              {Adapter(2, "Ethernet", "00-0C-29-3A-4B-5C", 1, {"192.0.2.10", "198.51.100.7"},
                       {"255.255.255.0", "255.255.0.0"}, {" 192.0.2.1", "192.0.2.254"},
                       {"192.0.2.53 ", "192.0.2.54"}),
               Adapter(3, "Wi-Fi", "00-00-00-00-00-00", 0, {}, {}, {}, {})},
              {{"Wired connection 1", 2}, {"Wired backup", 2}, {"Office VPN", 9}}));
  const std::vector<TRConnInfo> table = sysInfo.RefreshConnections();
  EXPECT_THAT(table,
              ElementsAre(TRConnInfo{"Wired connection 1", "Ethernet", "00-0C-29-3A-4B-5C", "1",
                                     "192.0.2.10,198.51.100.7", "255.255.255.0,255.255.0.0",
                                     "192.0.2.1", "192.0.2.53"},
                          // No address entry: IPAddr and SubMask stay empty; no connection.
                          TRConnInfo{"", "Wi-Fi", "00-00-00-00-00-00", "0", "", "", "", ""}));
  EXPECT_EQ(sysInfo.Connections(), table);
  std::string names = "before:";
  sysInfo.GetConnNames(names);
  EXPECT_EQ(names, "before:Wired connection 1;;");
}

TEST(AdapterTable, KeepsTheFirstTenOfElevenAdapters) {
  TAdaptorRows adapters;
  for (int i = 0; i < 11; ++i)
    adapters.push_back(Adapter(i + 2, "card " + std::to_string(i),
                               "00-00-00-00-00-0" + std::to_string(i % 10), 0,
                               {"192.0.2." + std::to_string(i + 1)}, {"255.255.255.0"}, {}, {}));
  TSysInfo sysInfo(Sources("eleven", adapters));
  const std::vector<TRConnInfo> table = sysInfo.RefreshConnections();
  ASSERT_EQ(table.size(), 10u);
  EXPECT_EQ(table.front().HardWare, "card 0");
  EXPECT_EQ(table.back().HardWare, "card 9");
  std::string names;
  sysInfo.GetConnNames(names);
  EXPECT_EQ(names, std::string(10, ';'));  // no connection matches any adapter
}

TEST(AdapterTable, FailingOrMissingAdapterListEmptiesTheTable) {
  TSysInfo sysInfo(Sources("server", ServerAdapters()));
  ASSERT_EQ(sysInfo.RefreshConnections().size(), 1u);
  struct Case {
    const char* what;
    SysInfoSources sources;
  };
  SysInfoSources missing = Sources("server", {});
  missing.getAdapters = nullptr;
  for (const Case& c :
       {Case{"failing", Sources("server", ServerAdapters(), {}, 232)}, Case{"missing", missing}}) {
    TSysInfo other(c.sources);
    EXPECT_TRUE(other.RefreshConnections().empty()) << c.what;
    std::string names;
    other.GetConnNames(names);
    EXPECT_EQ(names, "") << c.what;
  }
}

// The window and the report worker refresh one collector at the same time: every reader sees
// one whole table, never a half-cleared one.
TEST(AdapterTable, ConcurrentRefreshesNeverShowAPartialTable) {
  std::atomic<int> generation{0};
  SysInfoSources sources = Sources("server", {});
  sources.getAdapters = [&generation](int& count, TAdaptorRows& rows) {
    const std::string tag = std::to_string(generation++ % 2);
    rows.clear();
    for (int i = 0; i < 10; ++i)
      rows.push_back(Adapter(i, "card " + tag, "00-00-00-00-00-00", 0, {}, {}, {}, {}));
    count = 10;
    return 0;
  };
  TSysInfo sysInfo(sources);
  const auto use = [&sysInfo] {
    for (int round = 0; round < 200; ++round) {
      for (const std::vector<TRConnInfo>& table :
           {sysInfo.RefreshConnections(), sysInfo.Connections()}) {
        ASSERT_EQ(table.size(), 10u);
        for (const TRConnInfo& entry : table) ASSERT_EQ(entry.HardWare, table.front().HardWare);
      }
    }
  };
  std::thread other(use);
  use();
  other.join();
}

TEST(KbText, WritesTheShortestDecimal) {
  EXPECT_EQ(KbText(523760), "523760");
  EXPECT_EQ(KbText(1024.5), "1024.5");
  EXPECT_EQ(KbText(0.25), "0.25");
  EXPECT_EQ(KbText(17179869184.0), "17179869184");
}

}  // namespace
}  // namespace kelbrin::sysinfo
