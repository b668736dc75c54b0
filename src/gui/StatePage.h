#pragma once

#include <QWidget>

#include "session/AccountIntents.h"
#include "session/SessionReadout.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelbrin::gui {

class LinkLabel;
class WrappingLabel;

// TabSheet1, "User State": the login box with the settings check boxes and the account panel.
// The edits and the login button talk to the session controller; ShowView renders what the
// controller shows. The check boxes' rules belong to SettingsBoxes. Main thread only.
class StatePage final : public QWidget {
  Q_OBJECT

 public:
  StatePage(session::AccountIntents& account, const session::SessionReadout& session,
            QWidget* parent = nullptr);

  void ShowView(const session::SessionView& view);

  // BtnLogon, Enter in the password edit and the menu's Login/Cancel: the controller's command,
  // then, when it refused the input, the focus goes where the controller says.
  void BtnLogonClick();

  QCheckBox* ChkBoxSavePwd() const { return chkBoxSavePwd_; }
  QCheckBox* ChkBoxStartup() const { return chkBoxStartup_; }
  QCheckBox* ChkBoxRunAsService() const { return chkBoxRunAsService_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  WrappingLabel* AddAccountRow(QGridLayout* grid, int row, const QString& caption,
                               const char* valueName);

  session::AccountIntents& account_;
  const session::SessionReadout& session_;
  QLineEdit* editUserName_;
  QLineEdit* editPassword_;
  QPushButton* btnLogon_;
  QCheckBox* chkBoxSavePwd_;
  QCheckBox* chkBoxStartup_;
  QCheckBox* chkBoxRunAsService_;
  WrappingLabel* label25_ = nullptr;  // State
  WrappingLabel* label26_ = nullptr;  // User Type
  WrappingLabel* label27_ = nullptr;  // IP
  WrappingLabel* label28_ = nullptr;  // User ID
  WrappingLabel* label29_ = nullptr;  // The Service Deadline
  QLabel* image1_;                    // payment-notice icon
  LinkLabel* labFKXZUrl_;             // payment-notice link; its address is its hint
};

}  // namespace kelbrin::gui
