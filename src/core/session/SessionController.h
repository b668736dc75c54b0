#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "eventlog/EventLog.h"
#include "protocol/ResultCodes.h"
#include "protocol/TGetServiceListResp.h"
#include "protocol/TQueryUserProfileResp.h"
#include "reminders/EventDispatcher.h"
#include "reminders/EventItems.h"
#include "reminders/LoopEventModel.h"
#include "reminders/SessionMark.h"
#include "runtime/EventLoop.h"
#include "runtime/Pace.h"
#include "runtime/Presenter.h"
#include "session/SessionSignals.h"
#include "session/SessionView.h"
#include "session/TAutoLogonTrd.h"
#include "session/TGetServiceTrd.h"
#include "session/TUpdateIpTrd.h"
#include "session/WorkerMessages.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::session {

struct SessionOptions {
  runtime::Pace pace;
  // The protocol endpoint: the string table's entry, or the --endpoint override.
  std::string serverUrl;
  // Where the settings live; the system's store unless a test hands in its own.
  settings::SettingsBackend* settingsBackend = &settings::SystemSettingsBackend();
};

// The session controller: logs the subscriber in and out, shows the account state, owns the
// session globals and the workers, and handles the workers' messages. Everything except the
// thread-safe accessors runs on the thread of `loop` (the described window thread). What the
// window shows is View(); user-facing effects go to the presenter.
class SessionController final : public protocol::ResultReactions,
                                public reminders::SessionMark,
                                private WorkerMessages {
 public:
  // `clock` must be the clock of `loop`; the workers wait on it.
  SessionController(runtime::EventLoop& loop, runtime::Clock& clock, runtime::Presenter& presenter,
                    SessionOptions options);
  // Shutdown() if it has not run.
  ~SessionController() override;
  SessionController(const SessionController&) = delete;
  SessionController& operator=(const SessionController&) = delete;

  // Start-up without a window: event log, offline state, endpoint, settings, the auto-logon
  // worker, armed when the password is saved. `serviceMode` decides the exit action (the
  // caller's, through ServiceMode()).
  void InitClient(bool serviceMode);
  bool ServiceMode() const { return serviceMode_; }

  // Stops and joins every worker, aborting the exchange in flight; later worker messages are
  // dropped. The transport stays aborted for the rest of the process.
  void Shutdown();

  // The login button (and Enter in the password edit, menu Login/Cancel). Does nothing while a
  // login is under way.
  void BtnLogonClick();
  // The focus entered the user name or password edit: auto-logon stops at once.
  void EditEntered();
  // What the user typed or ticked.
  void SetEditUserName(std::string text);
  void SetEditPassword(std::string text);
  void SetChkBoxSavePwd(bool checked);
  void SetChkBoxStartup(bool checked);
  void SetChkBoxRunAsService(bool checked);
  void SetSuiCheckBoxUpdateSysInfo(bool checked);
  // What the controls hold -> ParamInfo -> the store, then the autostart entry (the window's
  // settings check boxes save through it).
  void SaveSettings();

  void LoginOrLogout();
  void LoginSucceeded();
  void DoLogout(bool connectionFailure);
  void ShowUserProfile();
  void ShowSessionState(DisplayState state);

  // Window side of the workers' messages.
  void OnIpStatus(const std::string& text, bool connectionFailure);
  void OnAutoLogonDone();
  void OnServiceList(const ServiceListReply& reply);

  // NotifyEvent of the reminder dispatcher (valid after InitClient).
  void NotifyEvent(int kind, const std::string& text, int selector = 0,
                   const std::string& argument = {});

  // The line's login step for a connection failure (code 1); none until a line exists.
  void SetLineAuthenticator(std::function<void()> authenticate);

  // Called on the controller's thread after every change of View().
  void SetViewObserver(std::function<void(const SessionView&)> observer);
  const SessionView& View() const { return view_; }

  // Session globals. Thread-safe.
  int Mark() const { return signals_.Mark(); }
  bool AutoLogonArmed() const { return signals_.AutoLogonArmed(); }
  bool NetReachable() const { return signals_.NetReachable(); }
  bool IsOnline() const override { return signals_.Mark() == 1; }
  std::shared_ptr<const protocol::TQueryUserProfileResp> UserProfile() const;
  std::shared_ptr<const protocol::TGetServiceListResp> ServiceList() const;
  static int LastResultCode();
  static std::string LastErrorText();
  // Controller's thread: the IP update worker's address (empty before the first login and after
  // a logout) and its connection-failure flag.
  std::string CurrentIp() const;
  bool IpFailFlag() const;

  // Controller's thread: the event log and the reminder dialog's model (valid after InitClient).
  eventlog::EventLog& EventLog() { return *eventLog_; }
  reminders::LoopEventModel& LoopEventFrm() { return *loopEventFrm_; }

  // ResultReactions: both are handed to the controller's thread.
  void AuthenticateLine() override;
  void ShowLastError(const std::string& text) override;

 private:
  struct LoginResult {
    bool succeeded = false;
    int resultCode = 0;
    std::string errorText;
  };

  // WorkerMessages, as the workers see the controller.
  WorkerMessages& Messages() { return *this; }
  void PostIpStatus(std::string text, bool connectionFailure) override;
  void PostAutoLogonDone() override;
  void PostServiceList(ServiceListReply reply) override;

  // Runs `task` on the controller's thread unless the controller has shut down by then.
  void PostToController(std::function<void()> task);
  void AssertOwnerThread() const;
  void Changed();

  void LoadSettings();
  void WriteEmptyPassword();
  void StartLogin(const std::string& userName, const std::string& userPwd);
  void FinishLogin(const LoginResult& result);
  void StartServiceListFetch();
  void SetServiceList(std::shared_ptr<const protocol::TGetServiceListResp> list);
  void SetLoginControls(bool loggedIn);

  runtime::EventLoop& loop_;
  runtime::Presenter& presenter_;
  const SessionOptions options_;
  SessionSignals signals_;
  // Posted tasks hold it weakly: once it is gone they do nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  // Controller's thread only.
  SessionView view_;
  std::function<void(const SessionView&)> viewObserver_;
  std::function<void()> lineAuthenticator_;
  bool serviceMode_ = false;
  bool loginBusy_ = false;
  bool autoLogonDoneHeld_ = false;  // WM_AUTOLOGON_DONE that came during a manual login
  reminders::EventItems eventItems_;
  std::unique_ptr<reminders::LoopEventModel> loopEventFrm_;
  std::unique_ptr<eventlog::EventLog> eventLog_;
  std::unique_ptr<reminders::EventDispatcher> dispatcher_;
  std::uint64_t fetchesStarted_ = 0;
  std::uint64_t newestFetchShown_ = 0;

  mutable std::mutex serviceListMutex_;
  std::shared_ptr<const protocol::TGetServiceListResp> serviceList_;

  // Workers; joined by Shutdown.
  std::thread loginThread_;
  std::unique_ptr<TAutoLogonTrd> autoLogonTrd_;
  std::unique_ptr<TUpdateIpTrd> updateIpTrd_;
  std::vector<std::unique_ptr<TGetServiceTrd>> getServiceTrds_;
  bool shutDown_ = false;
};

}  // namespace kelbrin::session
