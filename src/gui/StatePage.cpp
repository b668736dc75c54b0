#include "gui/StatePage.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/JpegImage.h"
#include "gui/LinkLabel.h"
#include "gui/ShellOpen.h"
#include "gui/UiText.h"
#include "gui/WrappingLabel.h"
#include "session/StringTable.h"

namespace kelbrin::gui {

namespace {

constexpr int kCredentialLength = 15;

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// A framed box of the page with its heading.
QWidget* MakeBox(const QString& heading, const char* name, QWidget* parent, QGridLayout** grid) {
  auto* box = new QFrame(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setProperty("pageBox", true);
  auto* title = new QLabel(heading, box);
  title->setProperty("boxHeading", true);
  *grid = new QGridLayout;
  (*grid)->setHorizontalSpacing(8);
  (*grid)->setVerticalSpacing(6);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(12, 8, 12, 10);
  layout->setSpacing(8);
  layout->addWidget(title);
  layout->addLayout(*grid);
  layout->addStretch();
  return box;
}

QLineEdit* MakeEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(kCredentialLength);
  return edit;
}

QCheckBox* MakeCheckBox(const QString& caption, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

}  // namespace

StatePage::StatePage(session::AccountIntents& accountIntents,
                     const session::SessionReadout& session, QWidget* parent)
    : QWidget(parent),
      account_(accountIntents),
      session_(session),
      editUserName_(MakeEdit("EditUserName", this)),
      editPassword_(MakeEdit("EditPassword", this)),
      btnLogon_(new QPushButton(UiText("Login"), this)),
      chkBoxSavePwd_(MakeCheckBox(UiText(" Save Password "), "ChkBoxSavePwd", this)),
      chkBoxStartup_(MakeCheckBox(UiText(" Autorun "), "ChkBoxStartup", this)),
      chkBoxRunAsService_(
          MakeCheckBox(UiText(" Run as system service"), "ChkBoxRunAsService", this)),
      image1_(new QLabel(this)),
      labFKXZUrl_(new LinkLabel(QString(), this)) {
  setObjectName(QStringLiteral("TabSheet1"));
  editPassword_->setEchoMode(QLineEdit::Password);
  btnLogon_->setObjectName(QStringLiteral("BtnLogon"));
  auto* btnReg = new QPushButton(UiText("Register"), this);
  btnReg->setObjectName(QStringLiteral("BtnReg"));
  chkBoxStartup_->setEnabled(false);
  chkBoxRunAsService_->setEnabled(false);

  QGridLayout* login = nullptr;
  QWidget* loginBox = MakeBox(UiText("User Login"), "PanelLogin", this, &login);
  login->addWidget(new QLabel(UiText("User Name:"), loginBox), 0, 0);
  login->addWidget(editUserName_, 0, 1);
  login->addWidget(new QLabel(UiText("Password:"), loginBox), 1, 0);
  login->addWidget(editPassword_, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addStretch();
  buttons->addWidget(btnLogon_);
  buttons->addWidget(btnReg);
  login->addLayout(buttons, 2, 0, 1, 2);
  login->addWidget(chkBoxSavePwd_, 3, 0, 1, 2);
  login->addWidget(chkBoxStartup_, 4, 0, 1, 2);
  login->addWidget(chkBoxRunAsService_, 5, 0, 1, 2);
  // The keys follow the layout: Register sits beside Login, before the boxes below them.
  setTabOrder(btnLogon_, btnReg);
  setTabOrder(btnReg, chkBoxSavePwd_);

  QGridLayout* account = nullptr;
  QWidget* accountBox = MakeBox(UiText("Account Information"), "PanelAccount", this, &account);
  label28_ = AddAccountRow(account, 0, UiText("User ID:"), "Label28");
  label25_ = AddAccountRow(account, 1, UiText("State:"), "Label25");
  label26_ = AddAccountRow(account, 2, UiText("User Type:"), "Label26");
  label27_ = AddAccountRow(account, 3, UiText("IP:"), "Label27");
  label29_ = AddAccountRow(account, 4, UiText("The Service Deadline:"), "Label29");
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setPixmap(
      QPixmap::fromImage(JpegImage::FromResource(QStringLiteral("PAYMENT_NOTICE_BMP"))));
  labFKXZUrl_->setObjectName(QStringLiteral("labFKXZUrl"));
  labFKXZUrl_->setText(
      UiText(session::LoadTableString(session::kPaymentNoticeCaptionEntry)).trimmed());
  labFKXZUrl_->setToolTip(FromUtf8(session::LoadTableString(session::kPaymentEntry)));
  labFKXZUrl_->SetUnderline(true);
  image1_->hide();
  labFKXZUrl_->hide();
  auto* notice = new QHBoxLayout;
  notice->setSpacing(4);
  notice->addWidget(image1_);
  notice->addWidget(labFKXZUrl_);
  notice->addStretch();
  account->addLayout(notice, 5, 0, 1, 2);
  account->setColumnStretch(1, 1);

  auto* page = new QHBoxLayout(this);
  page->setContentsMargins(10, 10, 10, 10);
  page->setSpacing(10);
  loginBox->setFixedWidth(236);
  page->addWidget(loginBox);
  page->addWidget(accountBox, 1);

  // The user's edit stops a pending auto-logon too: the focus may have come back into the edit
  // with the window, which the focus rule below lets pass.
  connect(editUserName_, &QLineEdit::textEdited, this, [this](const QString& text) {
    account_.EditEntered();
    account_.SetEditUserName(text.toStdString());
  });
  connect(editPassword_, &QLineEdit::textEdited, this, [this](const QString& text) {
    account_.EditEntered();
    account_.SetEditPassword(text.toStdString());
  });
  connect(editPassword_, &QLineEdit::returnPressed, this, &StatePage::BtnLogonClick);
  connect(btnLogon_, &QPushButton::clicked, this, &StatePage::BtnLogonClick);
  connect(btnReg, &QPushButton::clicked, this,
          [] { ShellOpen(FromUtf8(session::LoadTableString(session::kRegisterEntry))); });
  connect(labFKXZUrl_, &LinkLabel::clicked, this, [this] { ShellOpen(labFKXZUrl_->toolTip()); });
  editUserName_->installEventFilter(this);
  editPassword_->installEventFilter(this);
}

// A value wraps (inside an IPv6 address if need be) rather than being cut at the box's edge.
WrappingLabel* StatePage::AddAccountRow(QGridLayout* grid, int row, const QString& caption,
                                        const char* valueName) {
  auto* captionLabel = new QLabel(caption, this);
  captionLabel->setProperty("caption", true);
  auto* value = new WrappingLabel(this);
  value->setObjectName(QString::fromLatin1(valueName));
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(captionLabel, row, 0);
  grid->addWidget(value, row, 1);
  return value;
}

void StatePage::BtnLogonClick() {
  const bool loginAttempt = session_.Mark() == 0;
  account_.BtnLogonClick();
  const session::SessionView& view = session_.View();
  // A login that starts makes the button busy at once; a refused input leaves it idle.
  const bool refused = loginAttempt && session_.Mark() == 0 && view.BtnLogonEnabled;
  if (!refused) return;
  if (view.FocusedControl == "EditPassword") {
    editPassword_->setFocus(Qt::OtherFocusReason);
  } else if (view.FocusedControl == "EditUserName") {
    editUserName_->setFocus(Qt::OtherFocusReason);
  }
}

void StatePage::ShowView(const session::SessionView& view) {
  label25_->SetWholeText(UiText(view.Label25));
  label26_->SetWholeText(UiText(view.Label26));
  label27_->SetWholeText(FromUtf8(view.Label27));
  label28_->SetWholeText(FromUtf8(view.Label28));
  label29_->SetWholeText(UiText(view.Label29));
  image1_->setVisible(view.Image1Visible);
  labFKXZUrl_->setVisible(view.labFKXZUrlVisible);
  btnLogon_->setText(UiText(view.BtnLogonCaption));
  btnLogon_->setEnabled(view.BtnLogonEnabled);
  editUserName_->setEnabled(view.EditUserNameEnabled);
  editPassword_->setEnabled(view.EditPasswordEnabled);
  // Only a change from outside is written back, so typing keeps its cursor.
  const QString userName = FromUtf8(view.EditUserName);
  if (editUserName_->text() != userName) editUserName_->setText(userName);
  const QString password = FromUtf8(view.EditPassword);
  if (editPassword_->text() != password) editPassword_->setText(password);
}

// The focus entering an edit stops a pending auto-logon; the window merely becoming active
// again does not count, since the focus stays where it was.
bool StatePage::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == editUserName_ || watched == editPassword_) && event->type() == QEvent::FocusIn) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      account_.EditEntered();
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelbrin::gui
