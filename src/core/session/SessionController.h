#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "eventlog/EventLog.h"
#include "protocol/PelmarClient.h"
#include "protocol/TGetServiceListResp.h"
#include "protocol/TQueryUserProfileResp.h"
#include "reminders/EventDispatcher.h"
#include "reminders/EventItems.h"
#include "reminders/LoopEventModel.h"
#include "reminders/Notifier.h"
#include "runtime/EventLoop.h"
#include "runtime/Pace.h"
#include "runtime/Presenter.h"
#include "session/SessionFacts.h"
#include "session/SessionFront.h"
#include "session/SessionSignals.h"
#include "session/SessionSnapshots.h"
#include "session/SessionView.h"
#include "session/TAutoLogonTrd.h"
#include "session/TGetServiceTrd.h"
#include "session/TUpdateIpTrd.h"
#include "session/WorkerMessages.h"
#include "settings/ParamInfo.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::session {

struct SessionOptions {
  runtime::Pace pace;
  // Where the settings live; the system's store unless a test hands in its own.
  settings::SettingsBackend* settingsBackend = &settings::SystemSettingsBackend();
};

// What the composition root owns and the session works with: the flags it shares with its
// workers, the settings record, the event log, the reminder settings and their dispatcher.
struct SessionServices {
  SessionSignals& signals;
  settings::ParamInfoStore& settings;
  eventlog::EventLog& eventLog;
  reminders::LoopEventModel& reminders;
  reminders::EventDispatcher& dispatcher;
};

// The session controller: logs the subscriber in and out, shows the account state, owns the
// session globals and the workers, and handles the workers' messages. Everything except the
// thread-safe accessors runs on the thread of `loop` (the described window thread). What the
// window shows is View(); user-facing effects go to the presenter. The window's pages each see
// it through the one narrow interface they need.
class SessionController final : public SessionFront {
 public:
  // The signals' clock must be the clock of `loop`; the workers wait on it. `client` and
  // `services` outlive the controller.
  SessionController(runtime::EventLoop& loop, runtime::Presenter& presenter,
                    protocol::PelmarClient& client, SessionServices services,
                    SessionOptions options);
  // Shutdown() if it has not run.
  ~SessionController() override;
  SessionController(const SessionController&) = delete;
  SessionController& operator=(const SessionController&) = delete;

  // Start-up without a window: offline state, endpoint, settings, the auto-logon
  // worker, armed when the password is saved. `serviceMode` decides the exit action (the
  // caller's, through ServiceMode()). `startLine` starts the stored network line once the
  // settings are loaded and before auto-logon is armed.
  void InitClient(bool serviceMode, const std::function<void()>& startLine = {});
  // The line-state flag (NetReachable): the workers wait while it is off. Controller's thread.
  void SetNetReachable(bool reachable) { signals_.SetNetReachable(reachable); }
  bool ServiceMode() const { return serviceMode_; }

  // Stops and joins every worker, aborting the exchange in flight; later worker messages are
  // dropped. The Pelmar client stays aborted for the rest of the process.
  void Shutdown();

  // AccountIntents.
  void BtnLogonClick() override;
  void EditEntered() override;
  void SetEditUserName(std::string text) override;
  void SetEditPassword(std::string text) override;
  // SettingsIntents.
  void SetChkBoxSavePwd(bool checked) override;
  void SetChkBoxStartup(bool checked) override;
  void SetChkBoxRunAsService(bool checked) override;
  void SetSuiCheckBoxUpdateSysInfo(bool checked) override;
  void SaveSettings() override;

  void LoginOrLogout();
  void LoginSucceeded();
  void DoLogout(bool connectionFailure);
  void ShowUserProfile();
  void ShowSessionState(DisplayState state);

  // The domain view's "Refresh ": the service list is fetched again (logged in only).
  void RefreshServiceList() override;
  // The domain view's root: the account panel shows the address again, or "Please register
  // first！" for a list without domains.
  void ShowAccountAddress() override;
  // "Now" of the session's clock (the calendar of the deadlines and the domain view).
  std::chrono::system_clock::time_point WallNow() const override {
    return signals_.clock().WallNow();
  }

  // Window side of the workers' messages.
  void OnIpStatus(const std::string& text, bool connectionFailure);
  void OnAutoLogonDone(std::shared_ptr<const protocol::TQueryUserProfileResp> profile);
  void OnServiceList(const ServiceListReply& reply);
  // The active tests stopped being answered, or are answered again: the tray says so.
  void OnActiveTestAnswered(bool answered);

  // NotifyEvent of the reminder dispatcher.
  void NotifyEvent(int kind, const std::string& text, int selector = 0,
                   const std::string& argument = {}) override;

  // Called on the controller's thread with every new public address and the one before it
  // (empty for the first of the run); a logout and a login at the same address say nothing.
  using AddressObserver =
      std::function<void(const std::string& address, const std::string& previous)>;
  void SetAddressObserver(AddressObserver observer);
  // Called on the controller's thread after every change of the view, beside the front-end's
  // observer: the root's timers that wait for a change of the session.
  void SetChangeListener(std::function<void()> listener) { changeListener_ = std::move(listener); }

  // The session as facts (the service's bus interface). Controller's thread.
  SessionState State() const;
  SessionFacts Facts() const;

  // SessionReadout.
  void SetViewObserver(std::function<void(const SessionView&)> observer) override;
  const SessionView& View() const override { return view_; }
  int Mark() const override { return signals_.Mark(); }
  bool NetReachable() const override { return signals_.NetReachable(); }
  const SessionSnapshots& Snapshots() const override { return snapshots_; }

  // Any thread: a local address or the default route changed; while logged in the IP update
  // worker brings its next active test forward.
  void AddressChanged() { signals_.AddressChanged(); }

  // Session globals. Thread-safe.
  bool AutoLogonArmed() const { return signals_.AutoLogonArmed(); }
  const reminders::SessionMark& SessionMark() const { return signals_; }
  std::shared_ptr<const protocol::TQueryUserProfileResp> UserProfile() const {
    return snapshots_.UserProfile();
  }
  std::shared_ptr<const protocol::TGetServiceListResp> ServiceList() const {
    return snapshots_.ServiceList();
  }
  // Controller's thread: the IP update worker's address (empty before the first login and after
  // a logout) and its connection-failure flag.
  std::string CurrentIp() const;
  bool IpFailFlag() const;

  // The service refused a request of any thread (every code but 1): auto-logon is disarmed at
  // once; the error box and the logout follow on the controller's thread. Thread-safe.
  void ShowLastError(const std::string& text);

 private:
  struct LoginResult {
    bool succeeded = false;
    int resultCode = 0;
    std::string errorText;
    std::shared_ptr<const protocol::TQueryUserProfileResp> profile;
  };

  // The workers' messages, each queued as a task on the controller's thread.
  class Inbox final : public WorkerMessages {
   public:
    explicit Inbox(SessionController& controller) : controller_(controller) {}
    void PostIpStatus(std::string text, bool connectionFailure) override;
    void PostAutoLogonDone(std::shared_ptr<const protocol::TQueryUserProfileResp> profile) override;
    void PostServiceList(ServiceListReply reply) override;
    void PostActiveTestAnswered(bool answered) override;

   private:
    SessionController& controller_;
  };

  // Runs `task` on the controller's thread unless the controller has shut down by then.
  void PostToController(std::function<void()> task);
  void AssertOwnerThread() const;
  void Changed();
  void NoteAddress(const std::string& address);
  // The error box of a refusal; the session ends at once, its logout shows when the box closes.
  void RefuseAndLogOut(const std::string& text);

  void LoadSettings();
  // AsService from the service query (service mode asks it after the start).
  void QueryServiceState();
  void WriteEmptyPassword();
  // The password the store may take: the typed one, unless the service refused it; then what
  // the store already holds.
  std::string StorablePassword() const;
  void StartLogin(const std::string& userName, const std::string& userPwd);
  void FinishLogin(const LoginResult& result);
  void StartServiceListFetch();
  void SetServiceList(std::shared_ptr<const protocol::TGetServiceListResp> list);
  // The number of domains of the session's list; none before the first list.
  std::optional<std::uint32_t> DomainCount() const;
  void SetLoginControls(bool loggedIn);

  runtime::EventLoop& loop_;
  runtime::Presenter& presenter_;
  protocol::PelmarClient& client_;
  const SessionOptions options_;
  SessionSignals& signals_;
  settings::ParamInfoStore& settings_;
  eventlog::EventLog& eventLog_;
  reminders::LoopEventModel& loopEventFrm_;
  reminders::EventDispatcher& dispatcher_;
  SessionSnapshots snapshots_;
  Inbox inbox_{*this};
  // Posted tasks hold it weakly: once it is gone they do nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  // Controller's thread only.
  SessionView view_;
  std::function<void(const SessionView&)> viewObserver_;
  AddressObserver addressObserver_;
  std::function<void()> changeListener_;
  std::set<std::string> openRefusals_;  // the refusals whose error box is up
  std::string lastAddress_;
  std::chrono::system_clock::time_point addressSince_{};
  std::chrono::system_clock::time_point lastAnswer_{};
  DisplayState displayState_ = DisplayState::Offline;
  // The service refused the last login or request: logged out for that reason.
  bool refused_ = false;
  bool serviceMode_ = false;
  bool loginBusy_ = false;
  std::string triedPwd_;                   // the password of the login under way
  std::optional<std::string> refusedPwd_;  // the password the service last refused
  std::string storedPwd_;                  // the password the store holds
  // The auto-logon worker's message that came during a manual login, with its profile.
  std::optional<std::shared_ptr<const protocol::TQueryUserProfileResp>> autoLogonDoneHeld_;
  std::uint64_t fetchesStarted_ = 0;
  std::uint64_t newestFetchShown_ = 0;
  int fetchesRunning_ = 0;  // started and not yet replied

  // Workers; joined by Shutdown.
  std::thread loginThread_;
  std::unique_ptr<TAutoLogonTrd> autoLogonTrd_;
  std::unique_ptr<TUpdateIpTrd> updateIpTrd_;
  std::vector<std::unique_ptr<TGetServiceTrd>> getServiceTrds_;
  bool shutDown_ = false;
};

}  // namespace kelbrin::session
