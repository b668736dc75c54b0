// The "Virtual Dial-up" line kind over its dialer, against the fake pppd: alone, and made by the
// line factory and kept up by its keep-alive worker.
#include <gtest/gtest.h>
#include <net/if.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <mutex>

#include "DialTestSupport.h"
#include "Eventually.h"
#include "PppTestbed.h"
#include "TempDir.h"
#include "lines/DialUpRegistration.h"
#include "lines/LineNews.h"
#include "lines/NetHelpers.h"
#include "lines/TActiveLine.h"
#include "lines/TDailLine.h"
#include "platform/dialup/DialErrors.h"
#include "platform/dialup/NmDialUp.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/process/ChildProcess.h"
#include "runtime/ManualClock.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;
using kelbrin::test::Eventually;

constexpr auto kKeepInterval = 10s;
constexpr int kDialUpType = 0;

class TDailLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty()) GTEST_SKIP() << "dial-up tests skipped: " << bed_.Unusable();
    bed_.AddAccount("alice", "secret");
    bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
    pppd_ = std::make_unique<platform::Pppd>(bed_.Setup(500ms));
    environment_.clock = &clock_;
    environment_.keepInterval = kKeepInterval;
    environment_.lineNews = [this](const LineNews& news) {
      std::lock_guard lock(newsMutex_);
      news_.push_back(news);
    };
  }

  std::vector<LineNews> News() const {
    std::lock_guard lock(newsMutex_);
    return news_;
  }

  TDailLineSeams Seams(const platform::Pppd& pppd) {
    return {bed_.Phonebook(pppd, nm_.get()), tasks_.Post(), [this](const std::string& address) {
              addressesAsked_.push_back(address);
              return AdapterIndexOfAddress(address);
            }};
  }

  std::unique_ptr<TDailLine> MakeLine(const platform::Pppd& pppd) {
    auto line = std::make_unique<TDailLine>(environment_, Seams(pppd));
    line->Initialize();
    line->SetEntryName("adsl");
    line->SetUserName("alice");
    line->SetPassword("secret");
    return line;
  }

  std::optional<platform::DialLink> ConnectedLink() const {
    auto link = pppd_->LinkOfEntry("adsl");
    return link && link->connected ? link : std::nullopt;
  }

  kelbrin::test::PppTestbed bed_;
  std::unique_ptr<platform::Pppd> pppd_;
  std::unique_ptr<platform::NmDialUp> nm_;  // none: the phonebook is pppd's alone
  test::PostedTasks tasks_;
  runtime::ManualClock clock_;
  LineEnvironment environment_;
  std::vector<std::string> addressesAsked_;
  mutable std::mutex newsMutex_;
  std::vector<LineNews> news_;  // what the keep-alive told, in order
};

TEST_F(TDailLineTest, InitializeStartsClean) {
  const auto line = MakeLine(*pppd_);
  EXPECT_TRUE(line->Errors().empty());
  EXPECT_EQ(line->AdptIndex(), 0u);
  EXPECT_FALSE(line->KeepActive());
  EXPECT_TRUE(line->KeepAliveActs());
  EXPECT_EQ(line->Describe(), "ClassName: TDailLine");
  EXPECT_TRUE(line->Authenticate());
  EXPECT_EQ(line->GetIpAddress(), "");
}

TEST_F(TDailLineTest, TheDialerIsSynchronousAndCzech) {
  const auto line = MakeLine(*pppd_);
  EXPECT_EQ(line->Dialer().DialMode, TDialMode::dmSync);
  EXPECT_EQ(line->Dialer().Language, TLanguage::Czech);
}

TEST_F(TDailLineTest, APhonebookWithoutFacilitiesDialsNothing) {
  TDailLine line(environment_, TDailLineSeams{platform::DialUpPhonebook({}), tasks_.Post(),
                                              AdapterIndexOfAddress});
  line.Initialize();
  line.SetEntryName("adsl");
  EXPECT_EQ(line.Connect(), -1);
  EXPECT_FALSE(line.GetActive());
  EXPECT_EQ(line.Disconnect(), platform::kNoSuchLink);
  EXPECT_TRUE(line.Errors().empty());
}

TEST_F(TDailLineTest, ConnectTakesTheAddressAndTheInterfaceIndexAndDisconnectEndsIt) {
  const auto line = MakeLine(*pppd_);
  EXPECT_FALSE(line->GetActive());
  ASSERT_EQ(line->Connect(), 0);
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
  const auto link = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(line->AdptIndex(), ::if_nametoindex(link->interface.c_str()));
  EXPECT_NE(line->AdptIndex(), 0u);
  EXPECT_TRUE(line->GetActive());

  EXPECT_EQ(line->Disconnect(), 0);
  EXPECT_FALSE(line->GetActive());
  // The last address stays recorded while the line is down.
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
  EXPECT_TRUE(line->Errors().empty());
}

TEST_F(TDailLineTest, AnEntryOutsideThePhonebookIsNotDialled) {
  const auto line = MakeLine(*pppd_);
  line->SetEntryName("isdn");
  EXPECT_EQ(line->Connect(), -1);
  EXPECT_FALSE(std::filesystem::exists(bed_.PrivateDir()));
  EXPECT_TRUE(pppd_->Links().empty());
  line->SetEntryName("");
  EXPECT_EQ(line->Connect(), -1);
  EXPECT_FALSE(line->GetActive());
  EXPECT_TRUE(line->Errors().empty());
}

// One name for the entry, the phonebook's: a line stored in another letter case dials that
// entry and finds its link, so that the keep-alive does not dial it again and again.
TEST_F(TDailLineTest, ANameInAnotherLetterCaseDialsAndFindsThePhonebooksEntry) {
  bed_.AddPeer("Office", "10.65.0.1", "10.65.0.2");
  bed_.AddPeer("office", "10.66.0.1", "10.66.0.2");
  const auto line = MakeLine(*pppd_);
  line->SetEntryName("ADSL");
  ASSERT_EQ(line->Connect(), 0);
  EXPECT_TRUE(pppd_->LinkOfEntry("adsl").has_value());
  EXPECT_TRUE(line->GetActive());
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
  // Where the phonebook has the exact spelling, that entry is the line's.
  line->SetEntryName("office");
  EXPECT_FALSE(line->GetActive());
  ASSERT_EQ(line->Connect(), 0);
  EXPECT_TRUE(pppd_->LinkOfEntry("office").has_value());
  EXPECT_FALSE(pppd_->LinkOfEntry("Office").has_value());
  EXPECT_TRUE(line->GetActive());
  EXPECT_EQ(line->GetIpAddress(), "10.66.0.1");
}

TEST_F(TDailLineTest, AFailedDialGivesItsCodeAndRecordsNoError) {
  const auto line = MakeLine(*pppd_);
  line->SetPassword("wrong");
  EXPECT_EQ(line->Connect(), 1019);
  EXPECT_TRUE(line->Errors().empty());
  EXPECT_EQ(line->GetIpAddress(), "");
  EXPECT_EQ(line->AdptIndex(), 0u);
}

TEST_F(TDailLineTest, AnEntryWhoseParametersCannotBeReadIsRecordedInErrors) {
  const auto line = MakeLine(*pppd_);
  // The peer file goes between the phonebook listing and the dial.
  line->Dialer().OnEntryGet = [this](TDialUp&, const std::string& name) {
    std::filesystem::remove(bed_.Setup().peersDir / name);
  };
  EXPECT_EQ(line->Connect(), platform::kPeerUnreadable);
  EXPECT_EQ(line->Errors(),
            std::vector<std::string>{"ErrorCode:1302#9ErrorMessage:GetEntryDialParams failed"});
}

TEST_F(TDailLineTest, ALinkOpenedByAnotherProgramCountsAsActiveButIsNotHungUp) {
  TDialUp other(bed_.Phonebook(*pppd_), tasks_.Post());
  other.DialMode = TDialMode::dmSync;
  other.Entry = "adsl";
  other.UserName = "alice";
  other.UserPwd = "secret";
  ASSERT_EQ(other.Dial(), 0);
  const auto line = MakeLine(*pppd_);
  EXPECT_TRUE(line->GetActive());
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
  EXPECT_NE(line->AdptIndex(), 0u);
  EXPECT_EQ(line->Disconnect(), platform::kNoSuchLink);
  EXPECT_TRUE(line->GetActive());
  EXPECT_EQ(other.HangUp(), 0);
}

TEST(TDailLineErrorTest, TheErrorLineCarriesALiteralHashNine) {
  EXPECT_EQ(TDailLine::ErrorLine(623, "M"), "ErrorCode:623#9ErrorMessage:M");
}

TEST_F(TDailLineTest, SetActiveDialsAndHangsUp) {
  const auto line = MakeLine(*pppd_);
  EXPECT_FALSE(line->GetActive());
  line->SetActive(true);
  EXPECT_TRUE(line->GetActive());
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
  const auto link = ConnectedLink();
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(line->AdptIndex(), ::if_nametoindex(link->interface.c_str()));
  ASSERT_FALSE(addressesAsked_.empty());
  EXPECT_EQ(addressesAsked_.front(), "10.64.0.1");
  line->SetActive(false);
  EXPECT_FALSE(line->GetActive());
}

// What the keep-alive worker does in one pass: a line found down is brought up.
TEST_F(TDailLineTest, ALinkThatDroppedIsFoundDownAndRedialled) {
  const auto line = MakeLine(*pppd_);
  ASSERT_EQ(line->Connect(), 0);
  const auto first = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(first.has_value());
  ::kill(first->handle.id, SIGUSR2);  // the peer hangs up
  ASSERT_TRUE(Eventually([&] { return !platform::ProcessAlive(first->handle.id); }));

  EXPECT_FALSE(line->GetActive());
  line->SetActive(true);
  EXPECT_TRUE(line->GetActive());
  const auto second = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(second->handle.id, first->handle.id);
  EXPECT_EQ(line->GetIpAddress(), "10.64.0.1");
}

TEST_F(TDailLineTest, DestroyingTheLineLeavesTheConnectionUp) {
  auto line = MakeLine(*pppd_);
  ASSERT_EQ(line->Connect(), 0);
  line.reset();
  const auto link = ConnectedLink();
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(pppd_->HangUp(link->handle.id), 0);
}

TEST_F(TDailLineTest, AMissingPppdLeavesOneErrorLine) {
  platform::PppdSetup setup = bed_.Setup();
  setup.program = (bed_.RunDir() / "no-pppd").string();
  platform::Pppd missing(setup);
  const auto line = MakeLine(missing);
  EXPECT_EQ(line->Connect(), platform::kPppdNotStartable);
  const auto errors = line->Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors.front().starts_with("ErrorCode:1301#9ErrorMessage:pppd cannot be"));
  EXPECT_EQ(errors.front(),
            "ErrorCode:1301#9ErrorMessage:" + platform::PppdErrorText(platform::kPppdNotStartable));
  EXPECT_FALSE(line->GetActive());
}

// The line as the program runs it: registered with the factory, held by TActiveLine, brought up
// and kept up by its keep-alive worker on the clock's interval.
class KeptDialUpLine : public TDailLineTest {
 protected:
  void SetUp() override {
    TDailLineTest::SetUp();
    if (IsSkipped()) return;
    factory_ = std::make_unique<TLineFactory>(environment_);
    RegisterDialUp(*factory_, Seams(*pppd_));
    holder_ = std::make_unique<TActiveLine>(*factory_);
  }

  // Lets intervals pass, each with the worker in a wait, until `done`. The worker may still be on
  // its way from the untimed wait to the interval's when the first step comes, so one interval
  // is not always enough.
  template <typename Condition>
  bool IntervalsUntil(Condition done) {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (!clock_.WaitForWaiters(1)) return false;
      clock_.Advance(kKeepInterval);
      if (Eventually(done, 200ms)) return true;
    }
    return false;
  }

  // Lets `passes` intervals pass, each check over before the next interval begins (the worker
  // is back in its wait for the next interval once its pass is over).
  void Passes(int passes) {
    for (int pass = 0; pass < passes; ++pass) {
      ASSERT_TRUE(clock_.WaitForDeadline(clock_.Now() + kKeepInterval));
      clock_.Advance(kKeepInterval);
    }
    ASSERT_TRUE(clock_.WaitForDeadline(clock_.Now() + kKeepInterval));
  }

  std::unique_ptr<TLineFactory> factory_;
  std::unique_ptr<TActiveLine> holder_;
};

TEST_F(KeptDialUpLine, TheWorkerDialsAndRedialsAfterTheLinkDrops) {
  holder_->StartLine(kDialUpType, "adsl", "secret", "alice");
  ASSERT_NE(holder_->Line(), nullptr);
  EXPECT_EQ(holder_->Line()->Describe(), "ClassName: TDailLine");
  EXPECT_FALSE(ConnectedLink().has_value());  // nothing before the first interval

  ASSERT_TRUE(IntervalsUntil([&] { return ConnectedLink().has_value(); }));
  const pid_t first = ConnectedLink()->handle.id;
  ASSERT_TRUE(clock_.WaitForWaiters(1));  // the pass is over
  EXPECT_EQ(holder_->Line()->GetIpAddress(), "10.64.0.1");
  EXPECT_NE(holder_->Line()->AdptIndex(), 0u);

  ::kill(first, SIGUSR2);  // the peer hangs up
  ASSERT_TRUE(Eventually([&] { return !platform::ProcessAlive(first); }));
  EXPECT_FALSE(ConnectedLink().has_value());

  ASSERT_TRUE(IntervalsUntil([&] {
    const auto link = ConnectedLink();
    return link && link->handle.id != first;
  }));
  EXPECT_TRUE(holder_->Line()->Errors().empty());

  holder_->FreeLine();
  // The line does not take the link down with it: hanging up is the program's own decision.
  const auto link = ConnectedLink();
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(pppd_->HangUp(link->handle.id), 0);
}

// Stored as "ADSL" for the peer "adsl": each pass finds the link up and leaves it be.
TEST_F(KeptDialUpLine, ALineStoredInAnotherLetterCaseKeepsItsLink) {
  holder_->StartLine(kDialUpType, "ADSL", "secret", "alice");
  ASSERT_TRUE(IntervalsUntil([&] { return ConnectedLink().has_value(); }));
  const int first = ConnectedLink()->handle.id;
  Passes(3);
  const auto link = ConnectedLink();
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->handle.id, first);
  EXPECT_TRUE(holder_->Line()->Errors().empty());
}

// `pppd call adsl` was started by the user before the client: each pass finds that link up and
// dials no second one beside it.
TEST_F(KeptDialUpLine, ALinkAnotherProgramBroughtUpIsKeptAndNotDialledAgain) {
  ASSERT_EQ(bed_.RunPppdOutside("adsl", "alice", "secret"), 0);
  ASSERT_EQ(bed_.LiveFakes().size(), 1u);
  const pid_t outside = bed_.LiveFakes().front();
  holder_->StartLine(kDialUpType, "adsl", "secret", "alice");
  Passes(3);
  EXPECT_EQ(bed_.LiveFakes(), std::vector<pid_t>{outside});
  EXPECT_TRUE(holder_->Line()->GetActive());
  EXPECT_EQ(holder_->Line()->GetIpAddress(), "10.64.0.1");
  EXPECT_NE(holder_->Line()->AdptIndex(), 0u);
  ASSERT_EQ(pppd_->Links().size(), 1u);
  EXPECT_EQ(pppd_->Links().front().handle.id, outside);
}

// A password the peer refuses: every pass dials again, and the failure is told once, with its
// code.
TEST_F(KeptDialUpLine, ARefusedDialIsToldOnceNotOnEveryRetry) {
  holder_->StartLine(kDialUpType, "adsl", "wrong", "alice");
  Passes(4);
  EXPECT_GE(bed_.FakeProcessesStarted(), 4u);
  EXPECT_EQ(News(), (std::vector<LineNews>{{LineChange::DialFailed, "adsl", 1019}}));
  EXPECT_EQ(holder_->Line()->LastBringUp(), 1019);
}

// Up once, however many passes find it up; lost once when the peer hangs up; up again once the
// redial has brought it back.
TEST_F(KeptDialUpLine, UpAndLostAreToldOncePerChange) {
  holder_->StartLine(kDialUpType, "adsl", "secret", "alice");
  ASSERT_TRUE(IntervalsUntil([&] { return ConnectedLink().has_value(); }));
  Passes(3);
  EXPECT_EQ(News(), (std::vector<LineNews>{{LineChange::Up, "adsl", 0}}));

  const pid_t first = ConnectedLink()->handle.id;
  ::kill(first, SIGUSR2);
  ASSERT_TRUE(Eventually([&] { return !platform::ProcessAlive(first); }));
  ASSERT_TRUE(IntervalsUntil([&] {
    const auto link = ConnectedLink();
    return link && link->handle.id != first;
  }));
  Passes(2);
  EXPECT_EQ(News(), (std::vector<LineNews>{{LineChange::Up, "adsl", 0},
                                           {LineChange::Lost, "adsl", 0},
                                           {LineChange::Up, "adsl", 0}}));
}

// An entry gone from the phonebook cannot be dialled: told once, as such.
TEST_F(KeptDialUpLine, AnEntryOutsideThePhonebookIsToldOnce) {
  holder_->StartLine(kDialUpType, "isdn", "secret", "alice");
  Passes(3);
  EXPECT_EQ(News(), (std::vector<LineNews>{{LineChange::DialFailed, "isdn", -1}}));
  EXPECT_EQ(bed_.FakeProcessesStarted(), 0u);
}

TEST(LineNewsTest, TheTextSaysWhatChangedAndWhy) {
  const std::vector<std::pair<LineNews, std::string>> cases{
      {{LineChange::Up, "adsl", 0},
       "Internet line up\xEF\xBC\x9A"
       "adsl"},
      {{LineChange::Lost, "adsl", 0},
       "Internet line lost\xEF\xBC\x9A"
       "adsl"},
      {{LineChange::DialFailed, "adsl", 1019},
       "Dial-up failed\xEF\xBC\x9A"
       "adsl (1019 " +
           platform::DialErrorText(1019) + ")"},
      {{LineChange::DialFailed, "isdn", -1},
       "Dial-up failed\xEF\xBC\x9A"
       "isdn (the connection is not in the dial-up phonebook)"},
  };
  for (const auto& [news, text] : cases) EXPECT_EQ(LineNewsText(news), text);
  EXPECT_EQ(platform::DialErrorText(1019),
            "pppd: authentication failed: the user name or password was not accepted");
}

TEST_F(KeptDialUpLine, AKeepAliveTurnedOffMakesNoDial) {
  holder_->StartLine(kDialUpType, "adsl", "secret", "alice");
  holder_->SetKeepActive(false);
  ASSERT_TRUE(clock_.WaitForWaiters(1));
  clock_.Advance(kKeepInterval * 3);
  ASSERT_TRUE(clock_.WaitForWaiters(1));
  EXPECT_FALSE(ConnectedLink().has_value());
  EXPECT_TRUE(pppd_->Links().empty());
}

// A dial that would take a minute: freeing the line stops it instead of waiting for it.
TEST_F(KeptDialUpLine, FreeingTheLineDuringADialEndsTheDial) {
  bed_.AddPeer("slow", "10.65.0.1", "10.65.0.2", {"delay-ms 60000"});
  holder_->StartLine(kDialUpType, "slow", "secret", "alice");
  // The fake has made its interface and now waits before it authenticates.
  ASSERT_TRUE(IntervalsUntil([] { return platform::InterfaceIndex("ppp0") != 0; }));

  holder_->FreeLine();
  EXPECT_EQ(holder_->Line(), nullptr);
  // The dialled pppd was ended, not left behind: its interface is gone with it.
  EXPECT_TRUE(Eventually([] { return platform::InterfaceIndex("ppp0") == 0; }));
  EXPECT_TRUE(pppd_->Links().empty());
}

// The same over a NetworkManager PPPoE connection: the worker dials it through nmcli and dials
// again when NetworkManager has lost it.
class KeptNmDialUpLine : public KeptDialUpLine {
 protected:
  void SetUp() override {
    if (bed_.Unusable().empty()) {
      bed_.StartNetworkManager();
      bed_.AddNmProfile({.name = "DSL", .user = "alice", .password = "secret"});
      nm_ = std::make_unique<platform::NmDialUp>(bed_.NmSetup(500ms));
    }
    KeptDialUpLine::SetUp();
  }

  std::optional<platform::DialLink> ConnectedNmLink() const {
    auto link = nm_->LinkOfEntry("DSL");
    return link && link->connected ? link : std::nullopt;
  }
};

TEST_F(KeptNmDialUpLine, TheWorkerDialsTheConnectionAndDialsAgainAfterItDrops) {
  holder_->StartLine(kDialUpType, "DSL", "secret", "alice");
  ASSERT_NE(holder_->Line(), nullptr);
  ASSERT_TRUE(IntervalsUntil([&] { return ConnectedNmLink().has_value(); }));
  const auto first = ConnectedNmLink();
  ASSERT_TRUE(first.has_value());
  ASSERT_TRUE(clock_.WaitForWaiters(1));  // the pass is over
  EXPECT_EQ(holder_->Line()->GetIpAddress(), "10.70.0.1");
  EXPECT_EQ(holder_->Line()->AdptIndex(), ::if_nametoindex(first->interface.c_str()));
  EXPECT_NE(holder_->Line()->AdptIndex(), 0u);

  ::kill(bed_.NmLinkHolder("DSL"), SIGUSR2);  // NetworkManager loses the carrier
  ASSERT_TRUE(Eventually([&] { return !nm_->LinkOfEntry("DSL").has_value(); }));

  ASSERT_TRUE(IntervalsUntil([&] {
    const auto link = ConnectedNmLink();
    return link && link->handle != first->handle;
  }));
  EXPECT_TRUE(holder_->Line()->Errors().empty());
  EXPECT_TRUE(pppd_->Links().empty());

  holder_->FreeLine();
  const auto link = ConnectedNmLink();
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(nm_->HangUp(link->handle.id), 0);
}

// A connection the user brought up in NetworkManager before the client: found active, not
// activated a second time.
TEST_F(KeptNmDialUpLine, AConnectionActivatedOutsideIsKeptAndNotActivatedAgain) {
  const kelbrin::test::TempDir dir;
  std::ofstream(dir / "secrets") << "pppoe.password:secret\n";
  auto outside = platform::ChildProcess::Start({"nmcli", "--wait", "10", "connection", "up", "id",
                                                "DSL", "passwd-file", (dir / "secrets").string()});
  ASSERT_TRUE(outside.has_value());
  ASSERT_EQ(outside->Wait(10s), 0);
  const auto first = ConnectedNmLink();
  ASSERT_TRUE(first.has_value());
  holder_->StartLine(kDialUpType, "DSL", "secret", "alice");
  Passes(3);
  const auto link = ConnectedNmLink();
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->handle, first->handle);
  EXPECT_TRUE(holder_->Line()->GetActive());
  EXPECT_EQ(holder_->Line()->GetIpAddress(), "10.70.0.1");
  const std::string calls = bed_.NmCalls();
  std::size_t ups = 0;
  for (auto at = calls.find("connection up"); at != std::string::npos;
       at = calls.find("connection up", at + 1)) {
    ++ups;
  }
  EXPECT_EQ(ups, 1u) << calls;
}

class DialUpConnectionsTest : public TDailLineTest {};

TEST_F(DialUpConnectionsTest, EveryEntryWithTheInterfaceOfItsConnectedLink) {
  bed_.AddPeer("backup", "10.66.0.1", "10.66.0.2");
  const auto before = DialUpConnections(bed_.Phonebook(*pppd_));
  ASSERT_EQ(before.size(), 2u);
  EXPECT_EQ(before[0].name, "adsl");
  EXPECT_EQ(before[1].name, "backup");
  EXPECT_EQ(before[0].index, 0);
  EXPECT_EQ(before[1].index, 0);

  const auto line = MakeLine(*pppd_);
  ASSERT_EQ(line->Connect(), 0);
  const auto link = ConnectedLink();
  ASSERT_TRUE(link.has_value());
  const auto up = DialUpConnections(bed_.Phonebook(*pppd_));
  ASSERT_EQ(up.size(), 2u);
  EXPECT_EQ(up[0].name, "adsl");
  EXPECT_EQ(up[0].index, static_cast<int>(::if_nametoindex(link->interface.c_str())));
  EXPECT_NE(up[0].index, 0);
  EXPECT_EQ(up[1].index, 0);

  // Through the connection list: the dial-up entries follow the network's, with their index.
  ConnectionSources sources;
  sources.dialUpEntries = [this] { return DialUpConnections(bed_.Phonebook(*pppd_)); };
  EXPECT_EQ(ConnectionAdapterIndex("ADSL", sources), static_cast<std::uint32_t>(up[0].index));

  EXPECT_EQ(pppd_->HangUp(link->handle.id), 0);
  EXPECT_EQ(DialUpConnections(bed_.Phonebook(*pppd_))[0].index, 0);
}

TEST_F(DialUpConnectionsTest, AnUnreadablePhonebookGivesNoEntries) {
  platform::PppdSetup setup = bed_.Setup();
  setup.peersDir = bed_.RunDir() / "no-peers";
  const platform::Pppd pppd(setup);
  EXPECT_TRUE(DialUpConnections(bed_.Phonebook(pppd)).empty());
}

}  // namespace
}  // namespace kelbrin::lines
