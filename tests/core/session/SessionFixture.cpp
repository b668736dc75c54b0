#include "SessionFixture.h"

#include <algorithm>
#include <fstream>

#include "TestAccounts.h"
#include "settings/PubUtil.h"

namespace kelbrin::session::test {

std::unique_ptr<kelbrin::test::TempDir> SessionFixture::dataDir;
std::unique_ptr<kelbrin::test::ReferenceService> SessionFixture::service;

void SessionFixture::SetUpTestSuite() {
  dataDir = std::make_unique<kelbrin::test::TempDir>();
  // The reminder settings go to the settings store; keep it out of the user's own folder.
  settings::SetConfigRoot(*dataDir / "config");
  std::ofstream(*dataDir / "accounts.xml") << kelbrin::test::kTestAccounts;
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
  // "Today" of the client must be the service's today for the relative deadlines.
  clock.SetWallTime(std::chrono::system_clock::now());
  // Failures come back at once (status 500, dropped connections); the time-outs only bound a
  // fault that would otherwise hang.
  pace.resolveTimeout = pace.connectTimeout = 1000ms;
  pace.sendTimeout = pace.receiveTimeout = 2000ms;
}

void SessionFixture::TearDown() {
  controller = nullptr;
  root.reset();
}

void SessionFixture::Start(std::unique_ptr<protocol::Transport> transport) {
  client::ClientOptions options;
  options.pace = pace;
  options.endpoint = service->endpoint();
  options.settingsBackend = &backend;
  options.addressHistory = addressHistory;
  options.addressCommandBound = addressCommandBound;
  options.registerLineKinds = registerLineKinds;
  options.watchAddresses = watchAddresses;
  root = std::make_unique<client::ClientRoot>(loop, clock, presenter, options,
                                              std::move(transport));
  controller = &root->Session();
  root->InitClient(true);
}

void SessionFixture::SaveCredentials(const std::string& user, const std::string& password) {
  backend.values.insert_or_assign("UserName", user);
  backend.values.insert_or_assign("UserPwd", password);
  backend.values.insert_or_assign("SavePwd", std::string("1"));
}

namespace {

// A LAN line whose login step (the reaction to result code 1) only counts.
class CountingLine final : public lines::TBaseLine {
 public:
  CountingLine(const lines::LineEnvironment& environment, int& logins)
      : TBaseLine(environment), logins_(logins) {}
  int Connect() override { return 0; }
  int Disconnect() override { return 0; }
  std::string GetIpAddress() override { return {}; }
  bool GetActive() override { return true; }
  void SetActive(bool) override {}
  std::string Describe() override { return "ClassName: TLanLine"; }
  bool Authenticate() override {
    ++logins_;
    return true;
  }
  bool KeepAliveActs() const override { return false; }

 private:
  int& logins_;
};

}  // namespace

void SessionFixture::HoldCountingLine() {
  backend.values.insert_or_assign("InternalLineType", std::string("3"));
  backend.values.insert_or_assign("LineName", std::string("probe"));
  backend.values.insert_or_assign("AutoConn", std::string("1"));
  lineWorkers = 1;
  registerLineKinds = [this](lines::TLineFactory& factory) {
    factory.RegisterClass("TLanLine", [this](const lines::LineEnvironment& environment) {
      return std::make_unique<CountingLine>(environment, lineLogins);
    });
  };
}

void SessionFixture::ClickLogin(const std::string& user, const std::string& password,
                                std::size_t parkedAfter) {
  controller->SetEditUserName(user);
  controller->SetEditPassword(password);
  controller->BtnLogonClick();
  ASSERT_TRUE(RunUntil([&] { return controller->View().BtnLogonEnabled; }));
  // A worker that reads the clock only after the test has moved it would wait from a later
  // moment; every clock step starts from parked workers.
  ASSERT_TRUE(clock.WaitForWaiters(parkedAfter + lineWorkers));
  loop.ProcessPending();
}

bool SessionFixture::RunUntil(const std::function<bool()>& done) { return loop.RunUntil(done); }

void SessionFixture::AdvanceAndSettle(runtime::Duration step, std::size_t parkedWorkers) {
  clock.Advance(step);
  ASSERT_TRUE(clock.WaitForWaiters(parkedWorkers));
  loop.ProcessPending();
}

bool SessionFixture::AwaitRequests(const std::string& msgType, int count) {
  return Eventually([&] { return Requests(msgType) >= count; });
}

}  // namespace kelbrin::session::test
