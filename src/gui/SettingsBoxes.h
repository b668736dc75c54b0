#pragma once

#include <QObject>
#include <functional>

#include "runtime/Presenter.h"
#include "reminders/Notifier.h"
#include "session/SettingsIntents.h"
#include "session/SessionReadout.h"

class QCheckBox;

namespace kelbrin::gui {

// The window's half of the settings: the four check boxes that mirror the settings record
// (ChkBoxSavePwd, ChkBoxStartup, ChkBoxRunAsService on the "User State" page,
// suiCheckBoxUpdateSysInfo on the "Advanced Service" page), their click rules, and saving
// through the session controller. The rules keep three things true for what the user can reach:
// service mode and autorun are never both chosen; whenever one of them is chosen, the password
// is saved too; and the autostart entry exists exactly when autorun was last saved as chosen.
// A handler runs only on a user's click (after the box has changed), never when code sets a box.
//
// Installing or removing the service takes a while (an authentication prompt, the setup
// process). Meanwhile the three boxes of the State page are held as the click left them and
// disabled; only a setup that worked is kept: a failed install puts the boxes back as they were
// and saves nothing, a failed uninstall ticks the service box again.
class SettingsBoxes final : public QObject {
  Q_OBJECT

 public:
  // Installs or uninstalls the client's service and calls `done` once with whether that worked
  // (it may be called before the action returns). The action reports failures itself.
  using ServiceOutcome = std::function<void(bool succeeded)>;
  using ServiceAction = std::function<void(ServiceOutcome done)>;

  SettingsBoxes(session::SettingsIntents& settings, const session::SessionReadout& session,
                reminders::Notifier& notifier, runtime::Presenter& presenter,
                QCheckBox* savePwd, QCheckBox* startup, QCheckBox* runAsService,
                QCheckBox* updateSysInfo, QObject* parent = nullptr);

  // Without them, checking or clearing the service box is undone as a failed install/uninstall.
  void SetServiceActions(ServiceAction install, ServiceAction uninstall);

  // The boxes show the controller's settings and enabled flags.
  void ShowView(const session::SessionView& view);

  void ChkBoxSavePwdClick();
  void ChkBoxRunAsServiceClick();
  void ChkBoxStartupClick();
  void suiCheckBoxUpdateSysInfoClick();

 private:
  // The boxes as they are now become the controller's, then the record and the store.
  void SaveSettings();
  void TellController();
  void RunServiceAction(const ServiceAction& action, bool install);
  void ServiceActionDone(bool install, bool succeeded);
  void EnableBoxes(const session::SessionView& view);

  session::SettingsIntents& settings_;
  const session::SessionReadout& session_;
  reminders::Notifier& notifier_;
  runtime::Presenter& presenter_;
  QCheckBox* savePwd_;
  QCheckBox* startup_;
  QCheckBox* runAsService_;
  QCheckBox* updateSysInfo_;
  ServiceAction install_;
  ServiceAction uninstall_;
  bool serviceActionPending_ = false;
};

}  // namespace kelbrin::gui
