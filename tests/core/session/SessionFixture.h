#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ReferenceService.h"
#include "TempDir.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"
#include "runtime/Presenter.h"
#include "session/SessionController.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::session::test {

using namespace std::chrono_literals;

// Every effect the controller asks for, in order, with the thread it came on.
class RecordingPresenter final : public runtime::Presenter {
 public:
  struct Effect {
    std::string kind;  // "popup", "beep", "message-beep", "error", "info", "show"
    std::string title;
    std::string text;
    std::thread::id thread;
  };

  void ShowHintPopup(const std::string& title, const std::string& text) override {
    Record("popup", title, text);
  }
  void StartBeep(int repetitions) override { Record("beep", {}, std::to_string(repetitions)); }
  void MessageBeep() override { Record("message-beep", {}, {}); }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    Record("error", caption, text);
  }
  void ShowInfoBox(const std::string& caption, const std::string& text) override {
    Record("info", caption, text);
  }
  void ShowMainWindow() override { Record("show", {}, {}); }

  // How many recorded effects match; an empty title matches any.
  int Count(const std::string& kind, const std::string& title, const std::string& text) const;

  std::vector<Effect> effects;

 private:
  void Record(std::string kind, std::string title, std::string text) {
    effects.push_back(
        {std::move(kind), std::move(title), std::move(text), std::this_thread::get_id()});
  }
};

// The settings store in memory; no service manager, no autostart entry.
class MemorySettingsBackend final : public settings::SettingsBackend {
 public:
  std::string readValue(const std::string& name) override {
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
  }
  void writeValue(const std::string& name, const std::string& text) override {
    values[name] = text;
  }
  void writeValues(const std::map<std::string, std::string>& batch) override {
    for (const auto& [name, text] : batch) values[name] = text;
  }
  bool isServiceInstalled(const std::string&) override { return false; }
  void setAutorun(bool) override {}

  std::map<std::string, std::string> values;
};

// A controller on a manual clock and a loop that the test drives, against the reference service
// on 127.0.0.1 (one per test suite, reset before every test).
class SessionFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Builds the controller and runs InitClient in service mode.
  void Start();
  // Workers parked after a successful login: auto-logon, IP update, the pending list fetch.
  static constexpr std::size_t kAfterLogin = 3;
  // Types the credentials and clicks "Login"; returns once the login has come back and
  // `parkedAfter` workers sit in their waits (1 after a failed login: the auto-logon worker).
  void ClickLogin(const std::string& user, const std::string& password,
                  std::size_t parkedAfter = kAfterLogin);
  // Saved settings for an unattended start.
  void SaveCredentials(const std::string& user, const std::string& password);

  // Runs the loop until `done()` holds (bounded by a real-time guard).
  bool RunUntil(const std::function<bool()>& done);
  // Moves the clock, waits until `parkedWorkers` workers sit in their waits again, then runs
  // everything they posted.
  void AdvanceAndSettle(runtime::Duration step, std::size_t parkedWorkers);
  // Waits (real time, bounded) until the service has journalled `count` requests of `msgType`.
  bool AwaitRequests(const std::string& msgType, int count);

  // Polls `holds()` in real time (bounded) for what a worker does without a clock step.
  static bool Eventually(const std::function<bool()>& holds);

  int Requests(const std::string& msgType) const { return service->countRequests(msgType); }
  void Control(const std::string& command) const { service->control(command); }

  static std::unique_ptr<kelbrin::test::TempDir> dataDir;
  static std::unique_ptr<kelbrin::test::ReferenceService> service;

  runtime::ManualClock clock;
  runtime::CoreEventLoop loop{clock};
  RecordingPresenter presenter;
  MemorySettingsBackend backend;
  runtime::Pace pace;
  std::unique_ptr<SessionController> controller;
};

}  // namespace kelbrin::session::test
