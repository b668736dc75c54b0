#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "SysInfoFixtures.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"
#include "sysinfo/SystemReport.h"
#include "sysinfo/SystemReportBodies.h"

namespace kelbrin::sysinfo {
namespace {

using namespace fixtures;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr std::string_view kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

const std::string kServerSystemReport =
    std::string(kDeclaration) +
    "<PelmarPacket><MsgType>PostSystemInfoReq</MsgType><Version>1.0</Version>"
    "<UserName>demo01</UserName><UserPwd>p&amp;w&lt;d</UserPwd><SystemInfo>"
    "<OSVersion>6.18 (44.12 (bookworm))</OSVersion><PackInfo>unknow</PackInfo>"
    "<IISVersion>IIS 5.0</IISVersion><MemoryInfo>24683728/23356648</MemoryInfo>"
    "<CPUVersion>Intel(R) Xeon(R) Processor;Intel(R) Xeon(R) Processor</CPUVersion>"
    "<CPUFreq>2600 MHZ;2600 MHZ</CPUFreq></SystemInfo></PelmarPacket>";

const std::string kServerNetworkReport =
    std::string(kDeclaration) +
    "<PelmarPacket><MsgType>PostNetworkInfoReq</MsgType><Version>1.0</Version>"
    "<UserName>demo01</UserName><UserPwd>p&amp;w&lt;d</UserPwd><NetworkInfo>"
    "<ConnName>Wired connection 1</ConnName><HardWare>virtio_net</HardWare>"
    "<MacAddr>52-54-00-12-34-56</MacAddr><DHCPRun>1</DHCPRun><IPAddr>192.0.2.10</IPAddr>"
    "<SubMask>255.255.255.0</SubMask><Gateway>192.0.2.1</Gateway>"
    "<DNSServer>192.0.2.53</DNSServer></NetworkInfo></PelmarPacket>";

const ReportAccount kAccount{"demo01", "p&w<d"};

TEST(ReportBodies, ServerMachineByteForByte) {
  TSysInfo sysInfo(Sources("server", ServerAdapters(), {{"Wired connection 1", 4}}));
  EXPECT_EQ(SystemReportBody(sysInfo, kAccount), kServerSystemReport);
  EXPECT_EQ(NetworkReportBody(sysInfo.RefreshConnections(), kAccount), kServerNetworkReport);
}

TEST(ReportBodies, NoAdapterGivesTheEnvelopeOnly) {
  EXPECT_EQ(NetworkReportBody({}, kAccount),
            std::string(kDeclaration) +
                "<PelmarPacket><MsgType>PostNetworkInfoReq</MsgType><Version>1.0</Version>"
                "<UserName>demo01</UserName><UserPwd>p&amp;w&lt;d</UserPwd></PelmarPacket>");
}

// The service's side of the two reports: records every post and answers by message kind.
class FakeService {
 public:
  std::map<std::string, std::string> replies{
      {"PostSystemInfoReq", "<PelmarPacket><Result>0</Result></PelmarPacket>"},
      {"PostNetworkInfoReq", "<PelmarPacket><Result>0</Result></PelmarPacket>"}};

  ReportSeams Seams() {
    return {[] { return kAccount; },
            [this](const std::string& body) {
              const std::lock_guard lock(mutex_);
              bodies_.push_back(body);
              changed_.notify_all();
              for (const auto& [kind, reply] : replies)
                if (body.find("<MsgType>" + kind + "</MsgType>") != std::string::npos) return reply;
              return std::string();
            },
            [this](int code) {
              const std::lock_guard lock(mutex_);
              codes_.push_back(code);
            }};
  }

  std::vector<std::string> Bodies() {
    const std::lock_guard lock(mutex_);
    return bodies_;
  }
  std::vector<int> Codes() {
    const std::lock_guard lock(mutex_);
    return codes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> bodies_;
  std::vector<int> codes_;
};

class TimerUpdateSysInfo : public ::testing::Test {
 protected:
  // Moves the clock minute by minute to `minute` after start, running what falls due.
  void RunUntilMinute(int minute) {
    while (elapsed_ < std::chrono::minutes(minute)) {
      clock_.Advance(1min);
      elapsed_ += 1min;
      loop_.ProcessPending();
    }
  }

  std::unique_ptr<SystemReport> Start(const std::string& machine = "server") {
    sysInfo_ =
        std::make_unique<TSysInfo>(Sources(machine, ServerAdapters(), {{"Wired connection 1", 4}}));
    return std::make_unique<SystemReport>(
        loop_, runtime::Pace{}, *sysInfo_, [this] { return loggedIn_; },
        [this] { return updateSysInfo_; }, service_.Seams());
  }

  static std::vector<std::string> Kinds(const std::vector<std::string>& bodies) {
    std::vector<std::string> kinds;
    for (const std::string& body : bodies)
      kinds.push_back(body.find("PostSystemInfoReq") != std::string::npos ? "system" : "network");
    return kinds;
  }

  runtime::ManualClock clock_;
  runtime::CoreEventLoop loop_{clock_};
  std::chrono::minutes elapsed_{0};
  bool loggedIn_ = false;
  bool updateSysInfo_ = true;
  FakeService service_;
  std::unique_ptr<TSysInfo> sysInfo_;
};

TEST_F(TimerUpdateSysInfo, LoggedInAtStartReportsAtMinuteThirtyAndNeverAgain) {
  loggedIn_ = true;
  auto report = Start();
  RunUntilMinute(29);
  EXPECT_FALSE(report->Spent());
  RunUntilMinute(30);
  EXPECT_TRUE(report->Spent());
  EXPECT_TRUE(report->Started());
  loggedIn_ = false;
  RunUntilMinute(45);
  loggedIn_ = true;
  RunUntilMinute(150);
  report.reset();  // joins the worker
  EXPECT_THAT(service_.Bodies(), ElementsAre(kServerSystemReport, kServerNetworkReport));
  EXPECT_TRUE(service_.Codes().empty());
}

TEST_F(TimerUpdateSysInfo, LoginAtMinuteSeventyReportsAtTheNinetyMinuteTick) {
  auto report = Start();
  RunUntilMinute(69);
  EXPECT_FALSE(report->Spent());
  loggedIn_ = true;
  RunUntilMinute(89);
  EXPECT_FALSE(report->Spent());
  RunUntilMinute(90);
  EXPECT_TRUE(report->Started());
  report.reset();
  EXPECT_THAT(Kinds(service_.Bodies()), ElementsAre("system", "network"));
}

TEST_F(TimerUpdateSysInfo, SettingOffAtTheFirstLoggedInTickMeansNoReportThisRun) {
  loggedIn_ = true;
  updateSysInfo_ = false;
  auto report = Start();
  RunUntilMinute(30);
  EXPECT_TRUE(report->Spent());
  EXPECT_FALSE(report->Started());
  updateSysInfo_ = true;
  RunUntilMinute(120);
  EXPECT_FALSE(report->Started());
  report.reset();
  EXPECT_TRUE(service_.Bodies().empty());
}

struct RefusalCase {
  const char* name;
  std::string systemReply;
  std::string networkReply;
  std::vector<int> codes;
};

class ReportReplies : public TimerUpdateSysInfo,
                      public ::testing::WithParamInterface<RefusalCase> {};

// Whatever the service answers to the system report, the network report is still posted; each
// failed or refused reply gets one reaction. Nothing is retried.
TEST_P(ReportReplies, NetworkReportFollowsAndEachRefusalIsReacted) {
  service_.replies["PostSystemInfoReq"] = GetParam().systemReply;
  service_.replies["PostNetworkInfoReq"] = GetParam().networkReply;
  loggedIn_ = true;
  auto report = Start();
  RunUntilMinute(120);
  report.reset();
  EXPECT_THAT(Kinds(service_.Bodies()), ElementsAre("system", "network"));
  EXPECT_EQ(service_.Codes(), GetParam().codes);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReportReplies,
    ::testing::Values(RefusalCase{"BothTaken",
                                  "<PelmarPacket><Result>0</Result></PelmarPacket>",
                                  "<PelmarPacket><Result>0</Result></PelmarPacket>",
                                  {}},
                      RefusalCase{"SystemRefused",
                                  "<PelmarPacket><Result>102</Result></PelmarPacket>",
                                  "<PelmarPacket><Result>0</Result></PelmarPacket>",
                                  {102}},
                      RefusalCase{"NoReplies", "", "", {1, 1}},
                      RefusalCase{"GarbledCodeCountsAsOne",
                                  "<PelmarPacket><Result>x7</Result></PelmarPacket>",
                                  "<PelmarPacket/>",
                                  {1, 1}}),
    [](const ::testing::TestParamInfo<RefusalCase>& c) { return std::string(c.param.name); });

TEST_F(TimerUpdateSysInfo, ProcessorWithoutClockSkipsBothReports) {
  loggedIn_ = true;
  auto report = Start("noclock");
  RunUntilMinute(60);
  EXPECT_TRUE(report->Started());
  report.reset();
  EXPECT_TRUE(service_.Bodies().empty());
  EXPECT_TRUE(service_.Codes().empty());
}

// Destroyed before its first tick (the program ends early): the timer goes with it.
TEST_F(TimerUpdateSysInfo, DestroyedBeforeTheFirstTickStopsItsTimer) {
  loggedIn_ = true;
  Start().reset();
  RunUntilMinute(60);
  EXPECT_TRUE(service_.Bodies().empty());
}

TEST_F(TimerUpdateSysInfo, TheIntervalComesFromThePace) {
  loggedIn_ = true;
  sysInfo_ = std::make_unique<TSysInfo>(Sources("server", ServerAdapters()));
  runtime::Pace pace = runtime::Pace{}.Scaled(0.1);  // three minutes
  SystemReport report(
      loop_, pace, *sysInfo_, [this] { return loggedIn_; }, [this] { return updateSysInfo_; },
      service_.Seams());
  RunUntilMinute(2);
  EXPECT_FALSE(report.Spent());
  RunUntilMinute(3);
  EXPECT_TRUE(report.Spent());
}

}  // namespace
}  // namespace kelbrin::sysinfo
