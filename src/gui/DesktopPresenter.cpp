#include "gui/DesktopPresenter.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include "gui/TMainForm.h"
#include "gui/TrayIcon.h"
#include "gui/UiText.h"

namespace kelbrin::gui {

DesktopPresenter::DesktopPresenter(const runtime::Pace& pace, reminders::ToneFunction tone)
    : notifier_(pace, std::move(tone),
                [this] {
                  if (form_) form_->ShowAlertSetup();
                }),
      showBox_([this](QMessageBox::Icon icon, const QString& caption, const QString& text,
                      std::function<void()> closed) {
        OpenBox(icon, caption, text, std::move(closed));
      }) {}

void DesktopPresenter::SetMainWindow(TMainForm* form) {
  form_ = form;
  notifier_.SetKeepClear(
      [this] { return form_ ? form_->Tray().CoolTrayIcon()->geometry() : QRect(); });
  if (form_ && std::exchange(showRequested_, false)) form_->ShowFromTray();
}

void DesktopPresenter::SetMessageBox(MessageBoxFunction show) { showBox_ = std::move(show); }

void DesktopPresenter::ShowHintPopup(const std::string& title, const std::string& text) {
  notifier_.ShowHintPopup(title, text);
}

void DesktopPresenter::ShowNoticePopup(const std::string& title, const std::string& text,
                                       runtime::PopupWeight weight) {
  notifier_.ShowHintPopup(title, text, weight);
}

void DesktopPresenter::StartBeep(int repetitions) { notifier_.StartBeep(repetitions); }

void DesktopPresenter::MessageBeep() { QApplication::beep(); }

void DesktopPresenter::ShowErrorBox(const std::string& caption, const std::string& text) {
  ShowBox(QMessageBox::Critical, caption, text);
}

void DesktopPresenter::ShowErrorBoxThen(const std::string& caption, const std::string& text,
                                        std::function<void()> closed) {
  ShowBox(QMessageBox::Critical, caption, text, std::move(closed));
}

void DesktopPresenter::ShowInfoBox(const std::string& caption, const std::string& text) {
  ShowBox(QMessageBox::Information, caption, text);
}

void DesktopPresenter::ShowMainWindow() {
  if (form_) {
    form_->ShowFromTray();
  } else {
    showRequested_ = true;
  }
}

void DesktopPresenter::ShowNetworkSettings() {
  if (form_) form_->SetActivePage(TMainForm::kNetworkPage);
}

void DesktopPresenter::ShowBox(QMessageBox::Icon icon, const std::string& caption,
                               const std::string& text, std::function<void()> closed) {
  showBox_(icon, UiText(caption), UiText(text), std::move(closed));
}

void DesktopPresenter::OpenBox(QMessageBox::Icon icon, const QString& caption,
                               const QString& text, std::function<void()> closed) {
  auto* box = new QMessageBox(icon, caption, text, QMessageBox::Ok, form_);
  // The text may come from the service (or whoever owns its bus name): shown as it is, never
  // taken as markup with headings and links.
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (closed) QObject::connect(box, &QMessageBox::finished, box, [closed] { closed(); });
  box->setWindowModality(Qt::ApplicationModal);
  box->show();
}

}  // namespace kelbrin::gui
