#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <vector>

#include "ReferenceService.h"
#include "SysInfoFixtures.h"
#include "protocol/HttpTransport.h"
#include "protocol/PelmarClient.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"
#include "sysinfo/SystemReport.h"
#include "sysinfo/SystemReportBodies.h"

namespace kelbrin::sysinfo {
namespace {

using namespace fixtures;
using ::testing::ElementsAre;

// This machine's two reports through the real transport to the reference service on 127.0.0.1.
class ReportToService : public ::testing::Test {
 protected:
  void SetUp() override { pelmar_.SetEndpoint(service_.endpoint()); }
  // Runs the timer to its first tick with the session logged in and waits for the worker.
  void ReportOnce(const ReportAccount& account) {
    runtime::ManualClock clock;
    runtime::CoreEventLoop loop(clock);
    const runtime::Pace pace;
    ReportSeams seams{[account] { return account; },
                      [this](const std::string& body) { return pelmar_.PostReport(body); },
                      [this](int code) {
                        const std::lock_guard lock(mutex_);
                        codes_.push_back(code);
                      }};
    {
      SystemReport report(
          loop, pace, sysInfo_, [] { return true; }, [] { return true; }, seams);
      clock.Advance(pace.sysInfoInterval);
      loop.ProcessPending();
      ASSERT_TRUE(report.Started());
    }  // joins the worker
  }

  // Available memory moves between two readings; everything else must match byte for byte.
  static std::string WithoutAvailableMemory(const std::string& body) {
    return std::regex_replace(body, std::regex("/[0-9.]+</MemoryInfo>"), "/…</MemoryInfo>");
  }

  std::vector<std::string> Outcomes() const {
    std::vector<std::string> outcomes;
    for (const auto& request : service_.requests())
      outcomes.push_back(request.msgType + " " + request.outcome);
    return outcomes;
  }

  test::ReferenceService service_;
  protocol::HttpTransport transport_;
  protocol::PelmarClient pelmar_{transport_};
  TSysInfo sysInfo_{ThisMachine()};
  std::mutex mutex_;
  std::vector<int> codes_;
};

TEST_F(ReportToService, JournalHoldsBothReportsOfThisMachine) {
  const ReportAccount account{"demo01", "demo-pass"};
  ReportOnce(account);
  EXPECT_THAT(Outcomes(), ElementsAre("PostSystemInfoReq 0", "PostNetworkInfoReq 0"));
  EXPECT_EQ(WithoutAvailableMemory(service_.lastReport("system")),
            WithoutAvailableMemory(SystemReportBody(sysInfo_, account)));
  EXPECT_NE(service_.lastReport("system").find("<MemoryInfo>" +
                                               KbText(sysInfo_.GetTotalMemoryKB()) + "/"),
            std::string::npos);
  EXPECT_EQ(service_.lastReport("network"),
            NetworkReportBody(sysInfo_.RefreshConnections(), account));
  EXPECT_NE(service_.lastReport("network").find("<NetworkInfo>"), std::string::npos);
  EXPECT_TRUE(codes_.empty());
}

TEST_F(ReportToService, RefusedSystemReportStillPostsTheNetworkReport) {
  service_.control("result?code=102&count=1");
  ReportOnce({"demo01", "demo-pass"});
  EXPECT_THAT(Outcomes(), ElementsAre("PostSystemInfoReq 102", "PostNetworkInfoReq 0"));
  EXPECT_EQ(service_.lastReport("system"), "");
  EXPECT_NE(service_.lastReport("network"), "");
  EXPECT_THAT(codes_, ElementsAre(102));
}

}  // namespace
}  // namespace kelbrin::sysinfo
