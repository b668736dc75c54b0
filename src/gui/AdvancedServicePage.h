#pragma once

#include <QString>
#include <QWidget>

#include "session/SessionReadout.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace kelbrin::gui {

// TabSheet4, "Advanced Service": the service's page for this account (WebBrowser1), the consent
// text, its two links and the box suiCheckBoxUpdateSysInfo. There is no embedded browser: the
// page keeps the address it would show and its button opens it in the desktop's browser. The
// address carries the password, so it is never shown. Main thread only.
class AdvancedServicePage final : public QWidget {
  Q_OBJECT

 public:
  explicit AdvancedServicePage(const session::SessionReadout& session, QWidget* parent = nullptr);

  // Runs whenever the page is shown: while logged in and the Internet is reachable, the
  // browser goes to the base address with the account's user name and password (when this
  // process has it) in the query; otherwise it keeps what it had.
  void TabSheet4Show();

  // The address the browser shows; empty until the first navigation.
  QString WebBrowser1Url() const { return url_; }
  QCheckBox* suiCheckBoxUpdateSysInfo() const { return updateSysInfo_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ForgetAccount();
  void OpenInBrowser();
  const session::SessionReadout& session_;
  QCheckBox* updateSysInfo_;
  QWidget* browser_;  // WebBrowser1
  QLabel* browserText_;
  QPushButton* openPage_;
  QString url_;
};

// The advanced-service address: `base` + "?username=" + user + "&password=" + password, both
// values percent-encoded (UTF-8) so that '&', '=', '#', '+' and blanks stay inside their value.
// Without a password (a desktop attached to the service, which keeps it) the address names the
// user only, and the service's page asks for the password itself.
QString AdvancedServiceUrl(const QString& base, const std::string& userName,
                           const std::string& userPwd);

}  // namespace kelbrin::gui
