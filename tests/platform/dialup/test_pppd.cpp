// The pppd facility against the fake pppd, in a network namespace of the test's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "PppTestbed.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/dialup/Pppd.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"
#include "platform/dialup/PppdPeer.h"
#include "platform/process/ChildProcess.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;

struct DialOutcome {
  int exitStatus = -2;
  std::vector<int> states;
};

DialOutcome DialToEnd(const Pppd& pppd, const std::string& entry, const std::string& user,
                      const std::string& password) {
  DialOutcome outcome;
  int error = 0;
  auto dial = pppd.StartPppd(entry, user, password, error);
  if (!dial) {
    outcome.exitStatus = -error;
    return outcome;
  }
  for (int round = 0; round < 1000; ++round) {
    const auto status = dial->Step(20ms, [&](std::string_view line) {
      if (const auto state = PppdLogState(line)) outcome.states.push_back(*state);
    });
    if (status) {
      outcome.exitStatus = *status;
      break;
    }
  }
  return outcome;
}

class PppdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty()) GTEST_SKIP() << "pppd tests skipped: " << bed_.Unusable();
    bed_.AddAccount("alice", "s3cret \"quoted\"");
  }

  test::PppTestbed bed_;
};

TEST_F(PppdTest, PhonebookIsThePeerFilesSortedWithoutHiddenOnes) {
  bed_.AddPeer("zeta", "10.64.0.1", "10.64.0.2");
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  bed_.AddPeer(".hidden", "10.64.0.1", "10.64.0.2");
  const Pppd pppd(bed_.Setup());
  std::vector<std::string> names{"stale"};
  ASSERT_EQ(pppd.Entries(names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"adsl", "zeta"}));
  EXPECT_TRUE(pppd.EntryDialable("adsl"));
  EXPECT_FALSE(pppd.EntryDialable("missing"));
  EXPECT_FALSE(pppd.EntryDialable("../peers/adsl"));
}

TEST_F(PppdTest, AMissingPeersFolderIsAnError) {
  PppdSetup setup = bed_.Setup();
  setup.peersDir = bed_.RunDir() / "no-such-folder";
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(Pppd(setup).Entries(names), kPeersDirUnreadable);
  EXPECT_TRUE(names.empty());
}

TEST_F(PppdTest, ADialBringsUpTheLinkWithItsAddressesAndAHangUpEndsIt) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  const Pppd pppd(bed_.Setup());
  const DialOutcome outcome = DialToEnd(pppd, "adsl", "alice", "s3cret \"quoted\"");
  ASSERT_EQ(outcome.exitStatus, 0);
  EXPECT_EQ(outcome.states,
            (std::vector<int>{kDialOpeningPort, kDialPortOpened, kDialAllDevicesConnected,
                              kDialAuthenticate, kDialAuthenticated, kDialProjected}));
  // The one-read options file is gone once pppd has read it.
  EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir()));

  const auto link = pppd.LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_TRUE(link->connected);
  EXPECT_TRUE(link->interface.starts_with("ppp"));
  EXPECT_GT(InterfaceIndex(link->interface), 0u);
  const auto addresses = pppd.Addresses(link->interface);
  ASSERT_TRUE(addresses.has_value());
  EXPECT_EQ(addresses->local, "10.64.0.1");
  EXPECT_EQ(addresses->peer, "10.64.0.2");
  ASSERT_EQ(pppd.Links().size(), 1u);
  EXPECT_EQ(pppd.LinkOfId(link->handle.id)->entry, "adsl");

  EXPECT_EQ(pppd.HangUp(link->handle.id), 0);
  EXPECT_FALSE(ProcessAlive(link->handle.id));
  EXPECT_FALSE(pppd.LinkOfEntry("adsl").has_value());
  EXPECT_EQ(InterfaceIndex(link->interface), 0u);
}

TEST_F(PppdTest, WithoutRightsToNameTheLinkThePeerFileNamesIt) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  bed_.AddPeer("isdn", "10.65.0.1", "10.65.0.2");
  bed_.AddPeerLine("adsl", "linkname adsl");
  PppdSetup setup = bed_.Setup();
  setup.nameTheLink = false;
  const Pppd pppd(setup);
  ASSERT_EQ(DialToEnd(pppd, "adsl", "alice", "s3cret \"quoted\"").exitStatus, 0);
  EXPECT_TRUE(pppd.LinkOfEntry("adsl").has_value());
  // A peer file without its link name: the link has only its interface's pid file, and pppd's
  // command line tells its peer.
  ASSERT_EQ(DialToEnd(pppd, "isdn", "alice", "s3cret \"quoted\"").exitStatus, 0);
  const auto isdn = pppd.LinkOfEntry("isdn");
  ASSERT_TRUE(isdn.has_value());
  EXPECT_TRUE(isdn->connected);
  EXPECT_EQ(pppd.Links().size(), 2u);
}

// `pppd call adsl` started by the user or another program: no ppp-adsl.pid, only ppp0.pid.
TEST_F(PppdTest, ALinkAnotherProgramStartedIsFoundByItsInterfacesPidFile) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  bed_.AddPeer("isdn", "10.65.0.1", "10.65.0.2");
  const Pppd pppd(bed_.Setup());
  ASSERT_EQ(bed_.RunPppdOutside("adsl", "alice", "s3cret \"quoted\""), 0);
  ASSERT_TRUE(std::filesystem::exists(bed_.RunDir() / "ppp0.pid"));
  const auto link = pppd.LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_TRUE(link->connected);
  EXPECT_EQ(link->interface, "ppp0");
  EXPECT_FALSE(pppd.LinkOfEntry("isdn").has_value());
  ASSERT_EQ(pppd.Links().size(), 1u);
  EXPECT_EQ(pppd.Links().front().entry, "adsl");
  EXPECT_EQ(pppd.LinkOfId(link->handle.id)->entry, "adsl");
  EXPECT_EQ(pppd.Addresses(link->interface)->local, "10.64.0.1");
  // It can be hung up like the client's own.
  EXPECT_EQ(pppd.HangUp(link->handle.id), 0);
  EXPECT_FALSE(pppd.LinkOfEntry("adsl").has_value());
}

// A peer file's `linkname` other than its own name: the link is the peer's all the same.
TEST_F(PppdTest, ALinkNamedByThePeerFileBelongsToThatPeer) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  bed_.AddPeerLine("adsl", "linkname dsl0");
  const Pppd pppd(bed_.Setup());
  ASSERT_EQ(bed_.RunPppdOutside("adsl", "alice", "s3cret \"quoted\""), 0);
  ASSERT_TRUE(std::filesystem::exists(bed_.RunDir() / "ppp-dsl0.pid"));
  const auto link = pppd.LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_TRUE(link->connected);
  EXPECT_FALSE(pppd.LinkOfEntry("dsl0").has_value());
}

// pppd writes its interface's pid file beside ppp-NAME.pid: one link, not two; and the pid files
// of other daemons or of a pppd for no peer of the phonebook are no links.
TEST_F(PppdTest, EachPppdIsOneLinkAndOtherPidFilesAreNone) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  bed_.AddPeer("gone", "10.65.0.1", "10.65.0.2");
  const Pppd pppd(bed_.Setup());
  ASSERT_EQ(DialToEnd(pppd, "adsl", "alice", "s3cret \"quoted\"").exitStatus, 0);
  const auto own = pppd.LinkOfEntry("adsl");
  ASSERT_TRUE(own.has_value());
  std::ofstream(bed_.RunDir() / (own->interface + ".pid")) << own->handle.id << "\n";
  auto daemon = ChildProcess::Start({"sleep", "30"});
  ASSERT_TRUE(daemon.has_value());
  std::ofstream(bed_.RunDir() / "sshd.pid") << daemon->Pid() << "\n";
  ASSERT_EQ(bed_.RunPppdOutside("gone", "alice", "s3cret \"quoted\""), 0);
  std::filesystem::remove(bed_.Setup().peersDir / "gone");
  const auto links = pppd.Links();
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links.front().entry, "adsl");
  EXPECT_EQ(links.front().handle, own->handle);
  EXPECT_EQ(pppd.HangUp(daemon->Pid()), kNoSuchLink);
}

TEST(PppdPeerTest, TheCommandLineNamesThePeer) {
  const std::string program = "/usr/sbin/pppd";
  const std::filesystem::path peers = "/etc/ppp/peers";
  const std::vector<std::pair<std::vector<std::string>, std::optional<std::string>>> cases{
      {{"pppd", "call", "mydsl"}, "mydsl"},
      {{"/usr/sbin/pppd", "call", "mydsl", "updetach"}, "mydsl"},
      {{"pppd", "file", "/etc/ppp/peers/mydsl"}, "mydsl"},
      {{"pppd", "file", "/etc/ppp/peers/../peers/mydsl"}, "mydsl"},
      {{"pppd", "file", "/etc/ppp/options.ttyS0", "call", "isdn"}, "isdn"},
      {{"pppd", "file", "/etc/ppp/options.ttyS0"}, std::nullopt},
      {{"pppd", "call", "../secrets"}, std::nullopt},
      {{"pppd", "call"}, std::nullopt},
      {{"pppd", "/dev/ttyS0", "115200"}, std::nullopt},
      {{"sshd", "call", "mydsl"}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& [argv, peer] : cases) {
    EXPECT_EQ(PeerOfCommandLine(argv, program, peers), peer) << ::testing::PrintToString(argv);
  }
}

TEST(PppdPeerTest, ThePeerFileNamesItsLinkAndInterface) {
  test::TempDir dir;
  std::ofstream(dir / "adsl") << "# linkname commented\nnoauth\nlinkname \"dsl 0\" # its link\n"
                              << "ifname wan0\n";
  const PeerLinkNames names = ReadPeerLinkNames(dir / "adsl");
  EXPECT_EQ(names.linkname, "dsl 0");
  EXPECT_EQ(names.ifname, "wan0");
  const PeerLinkNames none = ReadPeerLinkNames(dir / "missing");
  EXPECT_TRUE(none.linkname.empty() && none.ifname.empty());
}

TEST(PppdPeerTest, AProcesssCommandLineIsReadWordByWord) {
  const auto argv = ProcessCommandLine(::getpid());
  ASSERT_FALSE(argv.empty());
  EXPECT_EQ(std::filesystem::path(argv.front()).filename(), "test_platform");
  EXPECT_TRUE(ProcessCommandLine(0).empty());
}

TEST_F(PppdTest, AWrongPasswordEndsWithTheAuthenticationFailure) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  const Pppd pppd(bed_.Setup());
  const DialOutcome outcome = DialToEnd(pppd, "adsl", "alice", "wrong");
  EXPECT_EQ(outcome.exitStatus, 19);
  EXPECT_EQ(PppdExitCode(outcome.exitStatus), 1019);
  EXPECT_EQ(PppdErrorText(1019),
            "pppd: authentication failed: the user name or password was not accepted");
  EXPECT_FALSE(pppd.LinkOfEntry("adsl").has_value());
  EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir()));
}

TEST_F(PppdTest, AHangingPppdIsKilledAfterTheBound) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2", {"hang"});
  const Pppd pppd(bed_.Setup(300ms));
  ASSERT_EQ(DialToEnd(pppd, "adsl", "alice", "s3cret \"quoted\"").exitStatus, 0);
  const auto link = pppd.LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(pppd.HangUp(link->handle.id), 0);
  EXPECT_FALSE(ProcessAlive(link->handle.id));
  // The killed pppd could not remove its pid file; the hang-up did.
  EXPECT_TRUE(pppd.Links().empty());
}

TEST_F(PppdTest, ADroppedLinkIsNoLongerConnected) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  const Pppd pppd(bed_.Setup());
  ASSERT_EQ(DialToEnd(pppd, "adsl", "alice", "s3cret \"quoted\"").exitStatus, 0);
  const auto link = pppd.LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  ::kill(link->handle.id, SIGUSR2);  // the peer hangs up
  for (int round = 0; round < 500 && ProcessAlive(link->handle.id); ++round) ::usleep(10000);
  EXPECT_FALSE(ProcessAlive(link->handle.id));
  EXPECT_FALSE(pppd.LinkOfEntry("adsl").has_value());
}

TEST_F(PppdTest, CountersFollowTheInterfaceTraffic) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
  const Pppd pppd(bed_.Setup());
  ASSERT_EQ(DialToEnd(pppd, "adsl", "alice", "s3cret \"quoted\"").exitStatus, 0);
  const auto link = pppd.LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  const auto before = pppd.Counters(link->interface);
  ASSERT_TRUE(before.has_value());

  // The peer sends one 48-byte packet through the link.
  ::kill(link->handle.id, SIGUSR1);
  std::optional<PppCounters> after;
  for (int round = 0; round < 500; ++round) {
    after = pppd.Counters(link->interface);
    if (!after || after->received != before->received) break;
    ::usleep(10000);
  }
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->received - before->received, 48u);
  EXPECT_FALSE(pppd.Counters("../../etc").has_value());
}

// The options file carries the password: only its owner may read it, and it is gone as soon as
// pppd has read it (pppd reads all options before it logs), not only when the dial ends.
TEST_F(PppdTest, ThePasswordFileIsPrivateAndGoneOncePppdHasReadIt) {
  bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2", {"delay-ms 60000"});
  const Pppd pppd(bed_.Setup());
  int error = 0;
  auto dial = pppd.StartPppd("adsl", "alice", "s3cret \"quoted\"", error);
  ASSERT_NE(dial, nullptr) << error;
  std::vector<std::filesystem::path> files;
  for (const auto& item : std::filesystem::directory_iterator(bed_.PrivateDir())) {
    files.push_back(item.path());
  }
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(std::filesystem::status(files.front()).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  bool logged = false;
  std::optional<int> status;
  for (int round = 0; round < 500 && !logged && !status; ++round) {
    status = dial->Step(20ms, [&logged](std::string_view) { logged = true; });
  }
  ASSERT_TRUE(logged);
  ASSERT_FALSE(status.has_value());  // the fake waits a minute before it authenticates
  EXPECT_TRUE(std::filesystem::is_empty(bed_.PrivateDir()));

  dial->Cancel();
  for (int round = 0; round < 500 && !status; ++round) status = dial->Step(20ms, [](auto) {});
  EXPECT_TRUE(status.has_value());
}

TEST_F(PppdTest, HangingUpAPidThatIsNoLinkFailsAtOnce) {
  const Pppd pppd(bed_.Setup());
  EXPECT_EQ(pppd.HangUp(::getpid()), kNoSuchLink);
}

TEST(PppdStartTest, AProgramThatCannotStartIsReported) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "peers");
  std::ofstream(dir / "peers" / "adsl") << "noauth\n";
  PppdSetup setup;
  setup.program = (dir / "no-pppd-here").string();
  setup.peersDir = dir / "peers";
  setup.privateDir = dir / "private";
  int error = 0;
  EXPECT_EQ(Pppd(setup).StartPppd("adsl", "alice", "pw", error), nullptr);
  EXPECT_EQ(error, kPppdNotStartable);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "private"));
  EXPECT_EQ(Pppd(setup).StartPppd("adsl", "alice", "pw\nrefuse", error), nullptr);
  EXPECT_EQ(error, kPasswordUnusable);
  EXPECT_EQ(Pppd(setup).StartPppd("gone", "alice", "pw", error), nullptr);
  EXPECT_EQ(error, kPeerUnreadable);
}

TEST(PppdLogTest, LogLinesShowTheDialStates) {
  const std::vector<std::pair<std::string, std::optional<int>>> cases{
      {"pppd 2.4.9 started by root, uid 0", kDialOpeningPort},
      {"Using interface ppp0", kDialPortOpened},
      {"Send PPPOE Discovery V1T1 PADI session 0x0 length 12", kDialConnectingDevice},
      {"Serial connection established.", kDialDeviceConnected},
      {"Connect: ppp0 <--> /dev/ttyS0", kDialAllDevicesConnected},
      {"sent [CHAP Response id=0x1 <...>, name = \"bob\"]", kDialAuthenticate},
      {"CHAP authentication succeeded", kDialAuthenticated},
      {"local  IP address 10.0.0.1", kDialProjected},
      {"Connection terminated.", kDialDisconnected},
      {"Modem hangup", kDialDisconnected},
      {"remote IP address 10.0.0.2", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [line, state] : cases) EXPECT_EQ(PppdLogState(line), state) << line;
}

TEST(PppdErrorsTest, EveryCodeHasAText) {
  EXPECT_EQ(PppdExitCode(0), 0);
  EXPECT_EQ(PppdExitCode(16), 1016);
  EXPECT_EQ(PppdErrorText(1016), "pppd: the modem hung up");
  EXPECT_EQ(PppdErrorText(1099), "pppd: ended with exit status 99");
  EXPECT_EQ(PppdErrorText(kPppdNotStartable),
            "pppd cannot be started: dialling needs pppd installed and root rights or "
            "membership of the dip group (the service needs CAP_NET_ADMIN)");
  EXPECT_EQ(PppdErrorText(7), "Unknown dial-up error 7");
}

}  // namespace
}  // namespace kelbrin::platform
