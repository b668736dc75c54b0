#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Eventually.h"
#include "ReferenceService.h"
#include "SessionDoubles.h"
#include "TempDir.h"
#include "client/ClientRoot.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"
#include "runtime/Presenter.h"
#include "session/SessionController.h"

namespace kelbrin::session::test {

using namespace std::chrono_literals;

using kelbrin::test::Eventually;
using kelbrin::test::MemorySettingsBackend;
using kelbrin::test::RecordingPresenter;

// A controller on a manual clock and a loop that the test drives, against the reference service
// on 127.0.0.1 (one per test suite, reset before every test).
class SessionFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Builds the composition root over `transport` (the HTTP transport when none) and runs InitClient in
  // service mode.
  void Start(std::unique_ptr<protocol::Transport> transport = nullptr);
  // Workers parked after a successful login: auto-logon, IP update, the pending list fetch.
  static constexpr std::size_t kAfterLogin = 3;
  // Types the credentials and clicks "Login"; returns once the login has come back and
  // `parkedAfter` session workers (1 after a failed login: the auto-logon worker) plus the line's
  // workers sit in their waits.
  void ClickLogin(const std::string& user, const std::string& password,
                  std::size_t parkedAfter = kAfterLogin);
  // Saved settings for an unattended start.
  void SaveCredentials(const std::string& user, const std::string& password);

  // Saves a stored LAN line with auto-connect whose kind counts its logins in `lineLogins`.
  void HoldCountingLine();
  int lineLogins = 0;
  // Workers of the held line that park on the clock (its keep-alive worker).
  std::size_t lineWorkers = 0;

  // Runs the loop until `done()` holds (bounded by a real-time guard).
  bool RunUntil(const std::function<bool()>& done);
  // Moves the clock, waits until `parkedWorkers` workers sit in their waits again, then runs
  // everything they posted.
  void AdvanceAndSettle(runtime::Duration step, std::size_t parkedWorkers);
  // Waits (real time, bounded) until the service has journalled `count` requests of `msgType`.
  bool AwaitRequests(const std::string& msgType, int count);

  int Requests(const std::string& msgType) const { return service->countRequests(msgType); }
  void Control(const std::string& command) const { service->control(command); }

  static std::unique_ptr<kelbrin::test::TempDir> dataDir;
  static std::unique_ptr<kelbrin::test::ReferenceService> service;

  runtime::ManualClock clock;
  runtime::CoreEventLoop loop{clock};
  RecordingPresenter presenter;
  MemorySettingsBackend backend;
  runtime::Pace pace;
  std::optional<std::filesystem::path> addressHistory;  // the root keeps none unless set
  std::chrono::milliseconds addressCommandBound{std::chrono::seconds(30)};
  std::function<void(lines::TLineFactory&)> registerLineKinds;
  // The root's address watch; none unless a test sets one before Start.
  client::AddressWatchStarter watchAddresses;
  std::unique_ptr<client::ClientRoot> root;
  SessionController* controller = nullptr;  // the root's session
};

}  // namespace kelbrin::session::test
