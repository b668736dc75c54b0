#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <string>

#include "app/bus/ClientInterface.h"
#include "eventlog/EventLog.h"
#include "runtime/Clock.h"
#include "runtime/Presenter.h"
#include "session/SessionFront.h"
#include "session/SessionSnapshots.h"
#include "settings/ParamInfo.h"

class QDBusPendingCallWatcher;

namespace kelbrin::app {

// The desktop's face of the client service on a bus: the service's facts (announced on
// PropertiesChanged, never polled) shown in a session view by the core's own rule, its notices
// told by the presenter's one rule and its events added to the event log, and the window's
// intents turned into its methods. A method the service refuses (polkit, or a state that does not
// allow it) changes nothing here and shows the refusal's text in an error box. This process runs
// no session of its own meanwhile. Main thread only.
class ClientBusFront final : public QObject, public session::SessionFront {
  Q_OBJECT

 public:
  // `log` is the window's event log; it takes the service's entries (and is written to no file
  // by this front). `record` is the one the network page reads: it takes the service's stored
  // line (without its password, which the service keeps).
  ClientBusFront(QDBusConnection bus, runtime::Presenter& presenter, eventlog::EventLog& log,
                 settings::ParamInfoStore& record, runtime::Clock& clock);
  ~ClientBusFront() override;

  // Reads the service's state and its log so far, and follows them from now on. False, with
  // nothing followed, when no client answers on the bus, or when on the session bus the name's
  // owner runs as another user.
  bool Attach();

  void BtnLogonClick() override;
  void EditEntered() override {}
  void SetEditUserName(std::string text) override { view_.EditUserName = std::move(text); }
  void SetEditPassword(std::string text) override { view_.EditPassword = std::move(text); }
  void SetChkBoxSavePwd(bool checked) override { view_.ChkBoxSavePwd = checked; }
  void SetChkBoxStartup(bool checked) override { view_.ChkBoxStartup = checked; }
  void SetChkBoxRunAsService(bool checked) override { view_.ChkBoxRunAsService = checked; }
  void SetSuiCheckBoxUpdateSysInfo(bool checked) override {
    view_.suiCheckBoxUpdateSysInfo = checked;
  }
  void SaveSettings() override;

  const session::SessionView& View() const override { return view_; }
  void SetViewObserver(std::function<void(const session::SessionView&)> observer) override;
  int Mark() const override { return session::IsLoggedIn(facts_.state) ? 1 : 0; }
  bool NetReachable() const override { return line_.state != LineState::NotConnected; }
  // The account as the facts give it, without the password, which the service keeps.
  const session::SessionSnapshots& Snapshots() const override { return snapshots_; }

  // A text of the window (the log page's notice) goes to this desktop's log.
  void NotifyEvent(int kind, const std::string& text, int selector = 0,
                   const std::string& argument = {}) override;
  void RefreshServiceList() override;
  void ShowAccountAddress() override {}
  std::chrono::system_clock::time_point WallNow() const override { return clock_.WallNow(); }

  // The line: applied and stored by the service; `done` runs when the service has answered.
  void ApplyLine(const std::string& lineType, const std::string& lineName,
                 const std::string& password, const std::string& userName, bool autoConnect,
                 std::function<void()> done = {});
  void SetLineKeepActive(bool keepActive);

 private Q_SLOTS:
  void OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);
  void OnEvent(uint kind, qulonglong time, const QString& text);
  void OnNotice(uint kind, const QString& text, bool loud);

 private:
  void Follow(bool on);
  bool OwnedByThisUser() const;
  // The view again from the properties as they are now.
  void Show();
  void TakeLog();
  void PublishAccount();
  void TakeStoredLine();
  void FetchServiceList();
  void Changed();
  // Calls `method`; a refusal shows its text and puts the view back as the service has it.
  // `done` runs once the answer, either one, has arrived.
  void Call(const QString& method, const QVariantList& args = {}, std::function<void()> done = {});
  void Refused(const QString& text);

  QDBusConnection bus_;
  runtime::Presenter& presenter_;
  eventlog::EventLog& log_;
  settings::ParamInfoStore& record_;
  runtime::Clock& clock_;
  session::SessionSnapshots snapshots_;
  session::SessionView view_;
  platform::BusProperties properties_;
  session::SessionFacts facts_;
  LineFacts line_;
  bool following_ = false;
  std::function<void(const session::SessionView&)> observer_;
};

}  // namespace kelbrin::app
