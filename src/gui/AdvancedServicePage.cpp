#include "gui/AdvancedServicePage.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/LinkLabel.h"
#include "gui/ShellOpen.h"
#include "gui/UiText.h"
#include "session/StringTable.h"

namespace kelbrin::gui {

namespace {

QString TableText(int entry) { return QString::fromStdString(session::LoadTableString(entry)); }

QString encoded(const std::string& value) {
  return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(value)));
}

LinkLabel* MakeLink(const QString& caption, const char* name, int addressEntry, QWidget* parent) {
  auto* link = new LinkLabel(caption, parent);
  link->setObjectName(QString::fromLatin1(name));
  link->setToolTip(TableText(addressEntry));
  link->SetUnderline(true);
  QObject::connect(link, &LinkLabel::clicked, link, [link] { ShellOpen(link->toolTip()); });
  return link;
}

}  // namespace

QString AdvancedServiceUrl(const QString& base, const std::string& userName,
                           const std::string& userPwd) {
  const QString withUser = base + QStringLiteral("?username=") + encoded(userName);
  return userPwd.empty() ? withUser : withUser + QStringLiteral("&password=") + encoded(userPwd);
}

AdvancedServicePage::AdvancedServicePage(const session::SessionReadout& session, QWidget* parent)
    : QWidget(parent),
      session_(session),
      updateSysInfo_(new QCheckBox(UiText("submit the system information "), this)),
      browser_(new QFrame(this)),
      browserText_(new QLabel(this)),
      openPage_(new QPushButton(UiText("Open in Browser"), this)) {
  setObjectName(QStringLiteral("TabSheet4"));
  updateSysInfo_->setObjectName(QStringLiteral("suiCheckBoxUpdateSysInfo"));

  // WebBrowser1 keeps its base address in its hint, like the original control.
  browser_->setObjectName(QStringLiteral("WebBrowser1"));
  browser_->setProperty("pageBox", true);
  browser_->setToolTip(TableText(session::kAdvancedServiceEntry));
  auto* heading = new QLabel(UiText("Advanced Service"), browser_);
  heading->setProperty("boxHeading", true);
  browserText_->setObjectName(QStringLiteral("WebBrowser1Text"));
  browserText_->setWordWrap(true);
  browserText_->setTextFormat(Qt::PlainText);
  openPage_->setObjectName(QStringLiteral("WebBrowser1Open"));
  ForgetAccount();
  connect(openPage_, &QPushButton::clicked, this, &AdvancedServicePage::OpenInBrowser);
  auto* browserLayout = new QVBoxLayout(browser_);
  browserLayout->setContentsMargins(12, 8, 12, 10);
  browserLayout->addWidget(heading);
  browserLayout->addWidget(browserText_);
  browserLayout->addStretch();
  auto* openRow = new QHBoxLayout;
  openRow->addStretch();
  openRow->addWidget(openPage_);
  browserLayout->addLayout(openRow);

  auto* consent = new QLabel(UiText(session::LoadTableString(session::kConsentTextEntry)), this);
  consent->setObjectName(QStringLiteral("Label48"));
  consent->setWordWrap(true);
  auto* links = new QHBoxLayout;
  links->setSpacing(16);
  links->addWidget(MakeLink(UiText("why to submit my information?"), "LabelWhy",
                            session::kWhySubmitEntry, this));
  links->addWidget(
      MakeLink(UiText("the Kelbrin contract"), "Label1Protol", session::kContractEntry, this));
  links->addStretch();

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(10, 10, 10, 8);
  page->setSpacing(6);
  page->addWidget(browser_, 1);
  page->addWidget(consent);
  page->addLayout(links);
  page->addWidget(updateSysInfo_);
}

void AdvancedServicePage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  TabSheet4Show();
}

// The address carries the account's password: it is not kept past the session that gave it.
void AdvancedServicePage::ForgetAccount() {
  url_.clear();
  browserText_->setText(
      UiText("The advanced services of your account are offered here once you are "
             "logged in."));
  openPage_->setEnabled(false);
}

void AdvancedServicePage::OpenInBrowser() {
  if (session_.Mark() != 1) {
    ForgetAccount();
    return;
  }
  ShellOpen(url_);
}

void AdvancedServicePage::TabSheet4Show() {
  if (session_.Mark() != 1) {
    ForgetAccount();
    return;
  }
  if (!session_.NetReachable()) return;
  const auto reply = session_.Snapshots().UserProfile();
  if (!reply) return;
  url_ = AdvancedServiceUrl(browser_->toolTip(), reply->Profile.UserName, reply->Profile.UserPwd);
  // The address carries the password: the page names the account, never the address.
  browserText_->setText(
      UiText("The advanced service page of the account \"%1\" is ready: open it in your "
             "browser to use it.")
          .arg(QString::fromStdString(reply->Profile.UserName)));
  openPage_->setEnabled(true);
}

}  // namespace kelbrin::gui
