#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/AddressCommand.h"
#include "client/ResultRouter.h"
#include "eventlog/AddressHistory.h"
#include "eventlog/EventLog.h"
#include "lines/LineReaper.h"
#include "lines/LineStateTimer.h"
#include "lines/NetHelpers.h"
#include "lines/TActiveLine.h"
#include "lines/TLineFactory.h"
#include "platform/dialup/DialUpPhonebook.h"
#include "platform/dialup/NmDialUp.h"
#include "platform/dialup/Pppd.h"
#include "protocol/PelmarClient.h"
#include "protocol/Transport.h"
#include "reminders/EventDispatcher.h"
#include "reminders/EventItems.h"
#include "reminders/LatestVersionQuery.h"
#include "reminders/LoopEventModel.h"
#include "reminders/ReminderChecks.h"
#include "runtime/Clock.h"
#include "runtime/EventLoop.h"
#include "runtime/Pace.h"
#include "runtime/Presenter.h"
#include "session/SessionController.h"
#include "session/SessionSignals.h"
#include "settings/ParamInfo.h"
#include "settings/SettingsBackend.h"
#include "sysinfo/SystemReport.h"
#include "sysinfo/TSysInfo.h"

namespace kelbrin::client {

// Starts watching the local addresses and the default route; `changed` runs on the watcher's
// thread for every change, until the returned handle is released.
using AddressWatchStarter = std::function<std::shared_ptr<void>(std::function<void()> changed)>;

struct ClientOptions {
  runtime::Pace pace;
  // The protocol endpoint: the string table's entry, or the --endpoint override.
  std::string endpoint;
  // Where the settings live; the system's store unless a test hands in its own.
  settings::SettingsBackend* settingsBackend = &settings::SystemSettingsBackend();
  // The file of past public addresses; none is kept without one.
  std::optional<std::filesystem::path> addressHistory;
  // How long the address command may run before it is ended with everything it started.
  std::chrono::milliseconds addressCommandBound{std::chrono::seconds(30)};
  // Registers the line kinds that need more than the line environment (the dial-up kind and
  // its dialer) with the factory, before the stored line is started.
  std::function<void(lines::TLineFactory&)> registerLineKinds;
  // Where pppd and its links live and the private folder of a dial's password file (the
  // hang-up bound follows the pace).
  platform::PppdSetup dialUp;
  // Brings the active test forward when the network changes (unless the ImmediateUpdate
  // setting is off); none: the tests keep their pace only.
  AddressWatchStarter watchAddresses;
};

// The composition root of the running client: it owns the one Pelmar client of the process, the
// settings record, the event log and the reminders' settings and dispatcher, and every area that
// talks to the service — the session, the network line, the system information and its report,
// the reminder checks — and wires them through their narrow interfaces. The desktop and the
// service build one; the window's pages take the interfaces they need from it.
// Lives on the controller's thread (the thread of `loop`).
class ClientRoot {
 public:
  // `transport` carries the exchanges (the HTTP transport when none is given: tests hand in their own).
  ClientRoot(runtime::EventLoop& loop, runtime::Clock& clock, runtime::Presenter& presenter,
             ClientOptions options, std::unique_ptr<protocol::Transport> transport = nullptr);
  ~ClientRoot();
  ClientRoot(const ClientRoot&) = delete;
  ClientRoot& operator=(const ClientRoot&) = delete;

  // Start-up: the session's InitClient with the stored line started in it, then the timers of
  // the line state, the system report and the reminders, and the address watch.
  void InitClient(bool serviceMode);
  // Stops every worker and timer and aborts the exchange in flight; idempotent.
  void Shutdown();

  session::SessionController& Session() { return session_; }
  const session::SessionController& Session() const { return session_; }
  // The settings record of the run: loaded by the session's start-up, replaced by its saves.
  settings::ParamInfoStore& Settings() { return settings_; }
  eventlog::EventLog& EventLog() { return eventLog_; }
  // The reminder settings behind the reminder dialog.
  reminders::LoopEventModel& Reminders() { return reminderModel_; }
  protocol::PelmarClient& Pelmar() { return pelmar_; }
  sysinfo::TSysInfo& SystemInformation() { return sysInfo_; }
  // The address history as "time address" lines, oldest first; empty without a history file or
  // when it cannot be read.
  std::vector<std::string> AddressHistoryLines() const;

  // What the network settings page asks of the line (valid after InitClient).
  std::vector<std::string> ConnectionNames() const;
  // Whether `name` is an entry of the machine's dial-up phonebook (a pppd peer or a
  // NetworkManager dial-up connection): the only names a dial-up line can dial.
  bool IsDialUpEntry(const std::string& name) const;
  // The holder's Apply. A line replaced is freed off this thread (a portal line's logins may
  // wait for their exchange); `done` runs on the controller's thread once that is over, also
  // when the new line could not be made (then this throws, as Apply does).
  void ApplyLine(int lineType, const std::string& entryName, const std::string& password,
                 const std::string& userName, std::function<void()> done = {});
  void SetLineKeepActive(bool keepActive);
  // Called on the controller's thread after the line may have changed: applied, its keep-alive
  // switched, its state refreshed on a change of the network (or by the line-state timer, where
  // no change is told).
  void SetLineObserver(std::function<void()> observer) { lineObserver_ = std::move(observer); }
  // The kind of the line held (its index in the line-type list); none while no line is held.
  std::optional<int> HeldLineType() const {
    if (!activeLine_ || activeLine_->Line() == nullptr) return std::nullopt;
    return activeLine_->LineType();
  }

 private:
  // Runs `task` on the controller's thread unless the root is gone by then.
  void PostToLoop(std::function<void()> task);
  // A new public address: into the history file, and to the user's command; only an address
  // literal, and only one that differs from the last recorded (also by an earlier run).
  void OnNewAddress(const std::string& address, const std::string& previous);
  // The stored line, started inside the session's InitClient.
  void StartLine();
  void LineChanged() {
    if (lineObserver_) lineObserver_();
  }
  void StartReminderChecks(bool serviceMode);
  void StartAddressWatch();
  // A change of the local addresses or routes, told by the watch: the line's state, the
  // dial-up link and the address check look again.
  void NetworkChanged();
  void StartSystemReport();

  runtime::EventLoop& loop_;
  runtime::Clock& clock_;
  runtime::Presenter& presenter_;
  const ClientOptions options_;
  std::unique_ptr<protocol::Transport> transport_;
  ResultRouter router_;
  protocol::PelmarClient pelmar_;
  settings::ParamInfoStore settings_;
  session::SessionSignals signals_;
  reminders::EventItems eventItems_;
  reminders::LoopEventModel reminderModel_{eventItems_};
  eventlog::EventLog eventLog_;
  reminders::EventDispatcher dispatcher_;
  session::SessionController session_;
  // The dial-up facilities, and the phonebook over them that every dial-up line holds.
  platform::Pppd pppd_;
  platform::NmDialUp nmDialUp_;
  platform::DialUpPhonebook phonebook_;
  lines::ConnectionSources connections_;
  sysinfo::TSysInfo sysInfo_;
  // Made at start-up, once the settings (the portal's probe address) are loaded; the factory
  // outlives the line it made.
  std::optional<lines::TLineFactory> lineFactory_;
  // Frees the lines the holder lets go of; ends after the holder, before what lines use.
  std::optional<lines::LineReaper> lineReaper_{std::in_place};
  std::optional<lines::TActiveLine> activeLine_;
  std::optional<lines::LineStateTimer> lineStateTimer_;
  std::optional<sysinfo::SystemReport> systemReport_;
  std::optional<reminders::LatestVersionQuery> versionQuery_;
  std::optional<reminders::ReminderChecks> reminderChecks_;
  std::optional<eventlog::AddressHistory> history_;
  std::unique_ptr<AddressCommand> addressCommand_;
  std::shared_ptr<void> addressWatch_;
  std::function<void()> lineObserver_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace kelbrin::client
