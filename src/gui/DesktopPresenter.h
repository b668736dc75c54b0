#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <functional>

#include "gui/DesktopNotifier.h"
#include "runtime/Presenter.h"

namespace kelbrin::gui {

class TMainForm;

// The desktop's user-facing effects for the session controller: the notification popup and the
// beeps, message boxes owned by the main window, and bringing the main window up. Message boxes
// are modal to the user but do not wait: no nested event loop runs inside the controller's call.
// Main thread only.
//
//   DesktopPresenter presenter(pace, platform::PlayTone);
//   client::ClientRoot root(loop, clock, presenter, options);
//   TMainForm form(WindowServices(root, presenter));
//   presenter.SetMainWindow(&form);
//   root.InitClient(false);
class DesktopPresenter final : public runtime::Presenter {
 public:
  // Shows one message box; tests record them instead.
  // `closed` (may be empty) runs when the user closes the box.
  using MessageBoxFunction =
      std::function<void(QMessageBox::Icon icon, const QString& caption, const QString& text,
                         std::function<void()> closed)>;

  DesktopPresenter(const runtime::Pace& pace, reminders::ToneFunction tone);

  // The window that owns the boxes, comes up on ShowMainWindow and opens the reminder dialog for
  // the popup's link. Until it is set, ShowMainWindow is remembered and done on SetMainWindow.
  void SetMainWindow(TMainForm* form);
  void SetMessageBox(MessageBoxFunction show);

  void ShowHintPopup(const std::string& title, const std::string& text) override;
  void ShowNoticePopup(const std::string& title, const std::string& text,
                       runtime::PopupWeight weight) override;
  void StartBeep(int repetitions) override;
  void MessageBeep() override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void ShowErrorBoxThen(const std::string& caption, const std::string& text,
                        std::function<void()> closed) override;
  void ShowInfoBox(const std::string& caption, const std::string& text) override;
  void ShowMainWindow() override;
  void ShowNetworkSettings() override;

 private:
  void ShowBox(QMessageBox::Icon icon, const std::string& caption, const std::string& text,
               std::function<void()> closed = {});
  void OpenBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
               std::function<void()> closed);

  QPointer<TMainForm> form_;
  bool showRequested_ = false;
  DesktopNotifier notifier_;
  MessageBoxFunction showBox_;
};

}  // namespace kelbrin::gui
