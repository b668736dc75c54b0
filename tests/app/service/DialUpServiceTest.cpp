// `kelbrin-client --service` with a stored "Virtual Dial-up" line, end to end inside a network
// namespace of the test's own: the fake pppd makes the link, the reference service runs on the
// namespace's loopback. Needs root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildRun.h"
#include "NetNamespace.h"
#include "PppTestbed.h"
#include "ReferenceService.h"
#include "TempDir.h"
#include "platform/dialup/Pppd.h"
#include "settings/PubUtil.h"

namespace {

using kelbrin::test::EndWithin;
using kelbrin::test::ReadFile;
using kelbrin::test::StartProgram;
using kelbrin::test::WaitUntil;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kEntry = "adsl";
// At a hundredth of the real pace the keep-alive looks at the line every 100 ms and an active
// test comes every 400 ms, so each step below takes well under a second; the bound is generous.
constexpr auto kWait = 8s;
// How the journal tells the line's changes.
constexpr const char* kLineUp = "Internet line up\xEF\xBC\x9A";
constexpr const char* kLineLost = "Internet line lost\xEF\xBC\x9A";
constexpr const char* kDialFailed = "Dial-up failed\xEF\xBC\x9A";

bool InterfaceUp(const std::string& name) {
  const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return false;
  ifreq query{};
  std::strncpy(query.ifr_name, name.c_str(), IFNAMSIZ - 1);
  const bool up = ::ioctl(sock, SIOCGIFFLAGS, &query) == 0 && (query.ifr_flags & IFF_UP) != 0;
  ::close(sock);
  return up;
}

struct Link {
  pid_t pid = 0;
  std::string interface;
};

// The link as the fake's pid file names it, when that pppd is alive and its interface up; read
// independently of the client's own link query.
std::optional<Link> LinkUp(const fs::path& pidFile) {
  Link link;
  std::ifstream(pidFile) >> link.pid >> link.interface;
  if (link.pid <= 0 || link.interface.empty() || !kelbrin::platform::ProcessAlive(link.pid) ||
      !InterfaceUp(link.interface)) {
    return std::nullopt;
  }
  return link;
}

// The reference service and the fake pppd in the test's own namespace, and the client started as
// a service with the line stored as a server stores it.
class DialUpServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty()) {
      GTEST_SKIP() << "dial-up end-to-end test skipped: " << bed_.Unusable();
    }
    ASSERT_TRUE(kelbrin::test::NetNamespace::Ip({"link", "set", "lo", "up"}));
    bed_.AddAccount("kelbrin7", "pa ss!");
    bed_.AddPeer(kEntry, "10.64.0.1", "10.64.0.2");
    kelbrin::test::ReferenceService::Options serviceOptions;
    serviceOptions.logFile = dir_ / "service.log";
    service_.emplace(serviceOptions);
  }

  // Stores the line with `linePassword` and starts the client as a service; its pid.
  pid_t StartClient(const std::string& linePassword) {
    // The line as a server stores it: from the command line, the password on standard input.
    std::ofstream(dir_ / "line-password") << linePassword << "\n";
    const std::string configRoot = (dir_ / "config").string();
    const pid_t store =
        StartProgram(KELBRIN_CLIENT_EXECUTABLE,
                     {"--config-root", configRoot, "--store-line", "0", "--connection", kEntry,
                      "--line-user", "kelbrin7", "--line-password-stdin"},
                     dir_ / "line-password", dir_ / "store.stderr", Environment());
    if (store <= 0 || EndWithin(store, 0, kWait) != 0) {
      ADD_FAILURE() << "the line was not stored: " << ReadFile(dir_ / "store.stderr");
      return -1;
    }
    kelbrin::settings::SetConfigRoot(dir_ / "config");
    kelbrin::settings::TPubUtil::WriteRegStrings(
        {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
    return StartProgram(KELBRIN_CLIENT_EXECUTABLE,
                        {"--service", "--endpoint", service_->endpoint(), "--config-root",
                         configRoot, "--time-scale", "0.01"},
                        "/dev/null", dir_ / "service.stderr", Environment());
  }

  std::vector<std::string> Environment() const {
    const kelbrin::platform::PppdSetup setup = bed_.Setup();
    // A runtime folder of its own: the client never hands over to a desktop instance running here.
    return {"PATH=" + noTools_.path().string(),
            "XDG_RUNTIME_DIR=" + runtime_.path().string(),
            "NO_PROXY=*",
            "no_proxy=*",
            "KELBRIN_PPP_PEERS=" + setup.peersDir.string(),
            "KELBRIN_PPP_RUN=" + setup.runDir.string(),
            "KELBRIN_PPPD=" + setup.program,
            "KELBRIN_PPP_PRIVATE=" + setup.privateDir.string()};
  }

  // The lines of the service's output (its journal) that contain `text`.
  std::size_t OutputLinesWith(const std::string& text) const {
    std::istringstream output(ReadFile(dir_ / "service.stderr"));
    std::size_t count = 0;
    for (std::string line; std::getline(output, line);) {
      if (line.find(text) != std::string::npos) ++count;
    }
    return count;
  }

  const kelbrin::test::TempDir dir_;
  // The test bed moves this thread into a namespace of its own; the client and the service
  // started from here live there too.
  kelbrin::test::PppTestbed bed_;
  std::optional<kelbrin::test::ReferenceService> service_;
  const kelbrin::test::TempDir noTools_;  // no nmcli: the phonebook is the peer files alone
  const kelbrin::test::TempDir runtime_;
};

TEST_F(DialUpServiceTest, BringsTheLinkUpLogsInAndRedialsAfterTheLinkDrops) {
  const kelbrin::platform::PppdSetup setup = bed_.Setup();
  const pid_t client = StartClient("pa ss!");
  ASSERT_GT(client, 0);
  const fs::path pidFile = bed_.RunDir() / (std::string("ppp-") + kEntry + ".pid");
  std::optional<Link> first;
  const bool dialled = WaitUntil([&] { return (first = LinkUp(pidFile)).has_value(); });
  const bool loggedIn = WaitUntil([&] { return service_->countRequests("ActiveTestReq") >= 1; });
  // The login runs over loopback and needs no link: only the journal shows that the client has
  // taken the link as up. A hang-up before that would drop a link the client never saw.
  const bool toldUp = WaitUntil([&] { return OutputLinesWith(kLineUp) >= 1; });
  const std::size_t failuresBeforeDrop = OutputLinesWith(kDialFailed);

  // The peer hangs up; the keep-alive finds the line down and dials a new link.
  std::optional<Link> second;
  bool redialled = false;
  if (first && toldUp) {
    ::kill(first->pid, SIGUSR2);
    redialled = WaitUntil([&] {
      second = LinkUp(pidFile);
      return second && second->pid != first->pid;
    });
  }
  // The service carries on over the new link.
  const int testsAfterRedial = service_->countRequests("ActiveTestReq");
  const bool testedAgain =
      WaitUntil([&] { return service_->countRequests("ActiveTestReq") > testsAfterRedial; });
  const bool toldUpAgain = WaitUntil([&] { return OutputLinesWith(kLineUp) >= 2; });

  // The service's end does not wait on the link: bounded, and a clean exit.
  EXPECT_EQ(EndWithin(client, SIGTERM, kWait), 0) << ReadFile(dir_ / "service.stderr");

  ASSERT_TRUE(dialled) << "no link came up\n" << ReadFile(dir_ / "service.stderr");
  EXPECT_FALSE(first->interface.empty());
  ASSERT_TRUE(loggedIn) << ReadFile(dir_ / "service.stderr");
  bool demoTested = false;
  for (const auto& request : service_->requests()) {
    if (request.msgType == "ActiveTestReq" && request.outcome == "0" && request.user == "demo01") {
      demoTested = true;
    }
  }
  EXPECT_TRUE(demoTested) << "no successful active test of demo01 was journalled";
  // A good password: the first dial is said once, as up, and never as failed.
  ASSERT_TRUE(toldUp) << ReadFile(dir_ / "service.stderr");
  EXPECT_EQ(failuresBeforeDrop, 0u) << ReadFile(dir_ / "service.stderr");
  ASSERT_TRUE(redialled) << "no new link after the drop\n" << ReadFile(dir_ / "service.stderr");
  EXPECT_NE(second->pid, first->pid);
  EXPECT_FALSE(kelbrin::platform::ProcessAlive(first->pid));
  EXPECT_TRUE(testedAgain);
  // The drop and the redial are said once each; no dial of this run failed.
  EXPECT_TRUE(toldUpAgain) << ReadFile(dir_ / "service.stderr");
  EXPECT_EQ(OutputLinesWith(kLineUp), 2u) << ReadFile(dir_ / "service.stderr");
  EXPECT_EQ(OutputLinesWith(kLineLost), 1u) << ReadFile(dir_ / "service.stderr");
  EXPECT_EQ(OutputLinesWith(kDialFailed), 0u) << ReadFile(dir_ / "service.stderr");
  // The ended service leaves the link it kept up, and nothing else: no dial half done, no
  // password file.
  EXPECT_EQ(bed_.LiveFakes(), std::vector<pid_t>{second->pid});
  EXPECT_TRUE(fs::is_empty(setup.privateDir));
}

// A line password the peer refuses: the keep-alive dials again and again, and the journal says
// why once.
TEST_F(DialUpServiceTest, ARefusedDialIsJournalledOnce) {
  const pid_t client = StartClient("wrong");
  ASSERT_GT(client, 0);
  const bool retried = WaitUntil([&] { return bed_.FakeProcessesStarted() >= 4; });
  EXPECT_EQ(EndWithin(client, SIGTERM, kWait), 0) << ReadFile(dir_ / "service.stderr");
  ASSERT_TRUE(retried) << ReadFile(dir_ / "service.stderr");
  EXPECT_EQ(OutputLinesWith("Dial-up failed\xEF\xBC\x9A"
                            "adsl (1019 pppd: authentication failed"),
            1u)
      << ReadFile(dir_ / "service.stderr");
  EXPECT_EQ(OutputLinesWith("Internet line"), 0u);
}

}  // namespace
