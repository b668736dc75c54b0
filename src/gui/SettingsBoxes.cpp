#include "gui/SettingsBoxes.h"

#include <QCheckBox>
#include <QPointer>

#include "reminders/EventKinds.h"
#include "runtime/Translate.h"

namespace kelbrin::gui {

namespace {

constexpr const char* kSavePwdRequired =
    runtime::Translatable("The save option must be checked since the auto-start  be checked!！");
constexpr const char* kStartupIgnored =
    runtime::Translatable("AS you have checked the service option ,this choice is ignored！");
constexpr const char* kServiceLoaded = runtime::Translatable("load as WindowNT service！");
constexpr const char* kServiceUnloaded = runtime::Translatable("unload WindowNT service！");
constexpr const char* kStartWithOs =
    runtime::Translatable("The system will be start together with OS！");

void SetIfDifferent(QCheckBox* box, bool checked) {
  if (box->isChecked() != checked) box->setChecked(checked);
}

}  // namespace

SettingsBoxes::SettingsBoxes(session::SettingsIntents& settings,
                             const session::SessionReadout& session, reminders::Notifier& notifier,
                             runtime::Presenter& presenter,
                             QCheckBox* savePwd, QCheckBox* startup, QCheckBox* runAsService,
                             QCheckBox* updateSysInfo, QObject* parent)
    : QObject(parent),
      settings_(settings),
      session_(session),
      notifier_(notifier),
      presenter_(presenter),
      savePwd_(savePwd),
      startup_(startup),
      runAsService_(runAsService),
      updateSysInfo_(updateSysInfo) {
  // clicked, not toggled: setting a box from code must not run its rule.
  connect(savePwd_, &QCheckBox::clicked, this, &SettingsBoxes::ChkBoxSavePwdClick);
  connect(startup_, &QCheckBox::clicked, this, &SettingsBoxes::ChkBoxStartupClick);
  connect(runAsService_, &QCheckBox::clicked, this, &SettingsBoxes::ChkBoxRunAsServiceClick);
  connect(updateSysInfo_, &QCheckBox::clicked, this, &SettingsBoxes::suiCheckBoxUpdateSysInfoClick);
}

void SettingsBoxes::SetServiceActions(ServiceAction install, ServiceAction uninstall) {
  install_ = std::move(install);
  uninstall_ = std::move(uninstall);
}

void SettingsBoxes::ShowView(const session::SessionView& view) {
  // While a setup runs the State page's boxes show what the click asked for, not yet the
  // controller's settings.
  if (!serviceActionPending_) {
    SetIfDifferent(savePwd_, view.ChkBoxSavePwd);
    SetIfDifferent(startup_, view.ChkBoxStartup);
    SetIfDifferent(runAsService_, view.ChkBoxRunAsService);
  }
  SetIfDifferent(updateSysInfo_, view.suiCheckBoxUpdateSysInfo);
  EnableBoxes(view);
}

void SettingsBoxes::EnableBoxes(const session::SessionView& view) {
  savePwd_->setEnabled(!serviceActionPending_);
  startup_->setEnabled(view.ChkBoxStartupEnabled && !serviceActionPending_);
  runAsService_->setEnabled(view.ChkBoxRunAsServiceEnabled && !serviceActionPending_);
}

void SettingsBoxes::TellController() {
  // Each setter renders the view, which may set a box back for a moment; so the values are
  // taken first.
  const bool savePwd = savePwd_->isChecked();
  const bool startup = startup_->isChecked();
  const bool runAsService = runAsService_->isChecked();
  const bool updateSysInfo = updateSysInfo_->isChecked();
  settings_.SetChkBoxSavePwd(savePwd);
  settings_.SetChkBoxStartup(startup);
  settings_.SetChkBoxRunAsService(runAsService);
  settings_.SetSuiCheckBoxUpdateSysInfo(updateSysInfo);
}

void SettingsBoxes::SaveSettings() {
  TellController();
  settings_.SaveSettings();
}

void SettingsBoxes::ChkBoxSavePwdClick() {
  if (savePwd_->isChecked() || (!startup_->isChecked() && !runAsService_->isChecked())) {
    SaveSettings();
    return;
  }
  presenter_.ShowInfoBox("Tip", kSavePwdRequired);
  savePwd_->setChecked(true);
}

void SettingsBoxes::ChkBoxRunAsServiceClick() {
  const bool install = runAsService_->isChecked();
  if (install) {
    savePwd_->setChecked(true);
    startup_->setChecked(false);
  }
  RunServiceAction(install ? install_ : uninstall_, install);
}

void SettingsBoxes::RunServiceAction(const ServiceAction& action, bool install) {
  if (!action) {
    ServiceActionDone(install, false);
    return;
  }
  serviceActionPending_ = true;
  EnableBoxes(session_.View());
  const QPointer<SettingsBoxes> self(this);
  action([self, install](bool succeeded) {
    if (self) self->ServiceActionDone(install, succeeded);
  });
}

void SettingsBoxes::ServiceActionDone(bool install, bool succeeded) {
  serviceActionPending_ = false;
  if (!succeeded) {
    // Nothing was installed or removed: the boxes show the settings as they were.
    ShowView(session_.View());
    return;
  }
  // The boxes still show what the click asked for.
  if (install) {
    SaveSettings();
    notifier_.NotifyEvent(reminders::kNotifyTextKind, kServiceLoaded);
  } else {
    // The settings are not saved here; the controller only learns the box's state.
    TellController();
    notifier_.NotifyEvent(reminders::kNotifyTextKind, kServiceUnloaded);
  }
  EnableBoxes(session_.View());
}

void SettingsBoxes::ChkBoxStartupClick() {
  if (runAsService_->isChecked() && startup_->isChecked()) {
    presenter_.ShowInfoBox("Tip", kStartupIgnored);
    startup_->setChecked(false);
    return;
  }
  if (startup_->isChecked()) {
    notifier_.NotifyEvent(reminders::kNotifyTextKind, kStartWithOs);
    savePwd_->setChecked(true);
  }
  SaveSettings();
}

void SettingsBoxes::suiCheckBoxUpdateSysInfoClick() { SaveSettings(); }

}  // namespace kelbrin::gui
