#include "SessionFixture.h"

#include <algorithm>
#include <fstream>

#include "protocol/Transport.h"
#include "settings/PubUtil.h"

namespace kelbrin::session::test {

namespace {

// Accounts for the session tests (attributes: the profile reply's elements; DomainInfo children:
// the list reply's). baddate01 carries a deadline the client cannot read.
constexpr const char* kAccounts = R"(<?xml version="1.0" encoding="UTF-8"?>
<Accounts>
  <Account UserName="demo01" UserPwd="demo-pass" PayType="1" ServiceEndDate="20991231"
           UserID="100001">
    <DomainInfo DomainName="demo01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="3"
                StartDate="20250101" EndDate="20991231" DomainStatus="0">
      <ResourceInfo ResourceType="A" KeyName="www" KeyValue="203.0.113.7"/>
    </DomainInfo>
  </Account>
  <Account UserName="trial01" UserPwd="trial-pass" PayType="0" ServiceEndDate="today+3"
           UserID="100003">
    <DomainInfo DomainName="trial01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="0"
                StartDate="today-27" EndDate="today+3" DomainStatus="0"/>
  </Account>
  <Account UserName="old01" UserPwd="old-pass" PayType="0" ServiceEndDate="20151231"
           UserID="100006">
    <DomainInfo DomainName="old01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="0"
                StartDate="20150101" EndDate="20151231" DomainStatus="0"/>
  </Account>
  <Account UserName="overdue01" UserPwd="overdue-pass" PayType="2" ServiceEndDate="today-10"
           UserID="100004">
    <DomainInfo DomainName="overdue01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="3"
                StartDate="20240101" EndDate="today-10" DomainStatus="3"/>
  </Account>
  <Account UserName="baddate01" UserPwd="baddate-pass" PayType="2" ServiceEndDate="2099-12-31"
           UserID="100007">
    <DomainInfo DomainName="baddate01" SuffixName=".example.net" OnlineOpt="0" OfflineOpt="0"
                StartDate="20250101" EndDate="20991231" DomainStatus="0"/>
  </Account>
  <Account UserName="nodomain01" UserPwd="nodomain-pass" PayType="1" ServiceEndDate="20991231"
           UserID="100002"/>
</Accounts>
)";

}  // namespace

std::unique_ptr<kelbrin::test::TempDir> SessionFixture::dataDir;
std::unique_ptr<kelbrin::test::ReferenceService> SessionFixture::service;

int RecordingPresenter::Count(const std::string& kind, const std::string& title,
                              const std::string& text) const {
  return static_cast<int>(std::count_if(effects.begin(), effects.end(), [&](const Effect& e) {
    return e.kind == kind && (title.empty() || e.title == title) && e.text == text;
  }));
}

void SessionFixture::SetUpTestSuite() {
  dataDir = std::make_unique<kelbrin::test::TempDir>();
  // The reminder settings go to the settings store; keep it out of the user's own folder.
  settings::SetConfigRoot(*dataDir / "config");
  std::ofstream(*dataDir / "accounts.xml") << kAccounts;
  kelbrin::test::ReferenceService::Options options;
  options.dataFile = *dataDir / "accounts.xml";
  options.logFile = *dataDir / "service.log";
  service = std::make_unique<kelbrin::test::ReferenceService>(options);
}

void SessionFixture::TearDownTestSuite() {
  service.reset();
  dataDir.reset();
}

void SessionFixture::SetUp() {
  service->reset();
  // The previous test's shutdown aborted the transport for the rest of the process.
  protocol::ResumeExchanges();
  // "Today" of the client must be the service's today for the relative deadlines.
  clock.setWallTime(std::chrono::system_clock::now());
  // Failures come back at once (status 500, dropped connections); the time-outs only bound a
  // fault that would otherwise hang.
  pace.resolveTimeout = pace.connectTimeout = 1000ms;
  pace.sendTimeout = pace.receiveTimeout = 2000ms;
}

void SessionFixture::TearDown() {
  controller.reset();
  protocol::ResumeExchanges();
}

void SessionFixture::Start() {
  controller = std::make_unique<SessionController>(
      loop, clock, presenter, SessionOptions{pace, service->endpoint(), &backend});
  controller->InitClient(true);
}

void SessionFixture::SaveCredentials(const std::string& user, const std::string& password) {
  backend.values.insert_or_assign("UserName", user);
  backend.values.insert_or_assign("UserPwd", password);
  backend.values.insert_or_assign("SavePwd", std::string("1"));
}

void SessionFixture::ClickLogin(const std::string& user, const std::string& password,
                                std::size_t parkedAfter) {
  controller->SetEditUserName(user);
  controller->SetEditPassword(password);
  controller->BtnLogonClick();
  ASSERT_TRUE(RunUntil([&] { return controller->View().BtnLogonEnabled; }));
  // A worker that reads the clock only after the test has moved it would wait from a later
  // moment; every clock step starts from parked workers.
  ASSERT_TRUE(clock.waitForWaiters(parkedAfter));
  loop.processPending();
}

bool SessionFixture::RunUntil(const std::function<bool()>& done) { return loop.runUntil(done); }

void SessionFixture::AdvanceAndSettle(runtime::Duration step, std::size_t parkedWorkers) {
  clock.advance(step);
  ASSERT_TRUE(clock.waitForWaiters(parkedWorkers));
  loop.processPending();
}

bool SessionFixture::Eventually(const std::function<bool()>& holds) {
  const auto guard = std::chrono::steady_clock::now() + 10s;
  while (!holds()) {
    if (std::chrono::steady_clock::now() > guard) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

bool SessionFixture::AwaitRequests(const std::string& msgType, int count) {
  return Eventually([&] { return Requests(msgType) >= count; });
}

}  // namespace kelbrin::session::test
