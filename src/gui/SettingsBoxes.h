#pragma once

#include <QObject>
#include <functional>

#include "runtime/Presenter.h"
#include "reminders/Notifier.h"
#include "session/SettingsIntents.h"
#include "session/SessionView.h"

class QCheckBox;

namespace kelbrin::gui {

// The window's half of the settings: the four check boxes that mirror the settings record
// (ChkBoxSavePwd, ChkBoxStartup, ChkBoxRunAsService on the "User State" page,
// suiCheckBoxUpdateSysInfo on the "Advanced Service" page), their click rules, and saving
// through the session controller. The rules keep three things true for what the user can reach:
// service mode and autorun are never both chosen; whenever one of them is chosen, the password
// is saved too; and the autostart entry exists exactly when autorun was last saved as chosen.
// A handler runs only on a user's click (after the box has changed), never when code sets a box.
class SettingsBoxes final : public QObject {
  Q_OBJECT

 public:
  // Installs or uninstalls the client's service; false when it could not (the action reports
  // why itself).
  using ServiceAction = std::function<bool()>;

  SettingsBoxes(session::SettingsIntents& settings, reminders::Notifier& notifier,
                runtime::Presenter& presenter,
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

  session::SettingsIntents& settings_;
  reminders::Notifier& notifier_;
  runtime::Presenter& presenter_;
  QCheckBox* savePwd_;
  QCheckBox* startup_;
  QCheckBox* runAsService_;
  QCheckBox* updateSysInfo_;
  ServiceAction install_;
  ServiceAction uninstall_;
};

}  // namespace kelbrin::gui
