#include "gui/NetworkPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "gui/LinkLabel.h"
#include "gui/ShellOpen.h"
#include "gui/UiText.h"
#include "gui/WrappingLabel.h"
#include "lines/LineSettingsCheck.h"
#include "runtime/Translate.h"
#include "session/StringTable.h"

namespace kelbrin::gui {

namespace {

constexpr int kUserNameLength = 25;
constexpr int kPasswordLength = 15;
constexpr int kFieldWidth = 150;

const char* const kTipTitle = runtime::Translatable("Tip");
const char* const kConnectionWarning =
    runtime::Translatable("The connection setting goes wrong,please set it again!！");

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

QString TableText(int entry) { return UiText(session::LoadTableString(entry)); }

QStringList ToList(const std::vector<std::string>& texts) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(texts.size()));
  for (const std::string& text : texts) list << FromUtf8(text);
  return list;
}

QLabel* MakeCaption(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (name != nullptr) label->setObjectName(QString::fromLatin1(name));
  label->setProperty("caption", true);
  return label;
}

QComboBox* MakeList(const char* name, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setFixedWidth(kFieldWidth);
  return list;
}

QLineEdit* MakeEdit(const char* name, int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(maxLength);
  edit->setFixedWidth(kFieldWidth);
  return edit;
}

// A framed box of the page with its heading above `content`.
QFrame* MakeBox(const QString& heading, const char* name, QLayout* content, QWidget* parent) {
  auto* box = new QFrame(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setProperty("pageBox", true);
  auto* title = new QLabel(heading, box);
  title->setProperty("boxHeading", true);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(12, 8, 12, 10);
  layout->setSpacing(8);
  layout->addWidget(title);
  layout->addLayout(content);
  layout->addStretch();
  return box;
}

}  // namespace

NetworkPage::NetworkPage(Seams seams, QWidget* parent)
    : QWidget(parent),
      seams_(std::move(seams)),
      cbbLineType(MakeList("cbbLineType", this)),
      cbbUType(MakeList("cbbUType", this)),
      Label7(MakeCaption(UiText("User Name："), "Label7", this)),
      edLineUserName(MakeEdit("edLineUserName", kUserNameLength, this)),
      Label6(MakeCaption(UiText("Password："), "Label6", this)),
      edLineUserPwd(MakeEdit("edLineUserPwd", kPasswordLength, this)),
      chkAutoConn(new QCheckBox(UiText("Auto-connect Way"), this)),
      btSaveLineInfo(new QPushButton(UiText("Save"), this)),
      Label31(new WrappingLabel(this)),
      labelLan1(new LinkLabel(TableText(session::kMapPortsCaptionEntry), this)) {
  setObjectName(QStringLiteral("TabSheet2"));
  cbbLineType->addItem(UiText("My Connection"));
  cbbUType->addItems({QStringLiteral("ADSL"), QStringLiteral("ISDN")});
  edLineUserPwd->setEchoMode(QLineEdit::Password);
  edLineUserPwd->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
  chkAutoConn->setObjectName(QStringLiteral("chkAutoConn"));
  chkAutoConn->setToolTip(
      UiText("System will reconnect automatically, and test the network state"));
  btSaveLineInfo->setObjectName(QStringLiteral("btSaveLineInfo"));
  Label31->setObjectName(QStringLiteral("Label31"));
  labelLan1->setObjectName(QStringLiteral("labelLan1"));
  labelLan1->setCursor(Qt::PointingHandCursor);
  labelLan1->setToolTip(WebAddress(TableText(session::kMapPortsAddressEntry)));
  labelLan1->hide();

  // Only the user's own choices run the handlers; the program's settings of the controls do not.
  connect(cbbUType, &QComboBox::activated, this, &NetworkPage::cbbUTypeChange);
  connect(chkAutoConn, &QCheckBox::clicked, this, &NetworkPage::chkAutoConnClick);
  connect(btSaveLineInfo, &QPushButton::clicked, this, &NetworkPage::btSaveLineInfoClick);
  connect(labelLan1, &LinkLabel::clicked, this, &NetworkPage::labelLan1Click);
  // OnEnter: the focus comes into the page from outside it.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* previous, QWidget* current) {
    if (current != nullptr && isAncestorOf(current) &&
        (previous == nullptr || !isAncestorOf(previous))) {
      TabSheet2Show();
    }
  });

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(6);
  grid->addWidget(MakeCaption(UiText("Default Connetion："), nullptr, this), 0, 0);
  grid->addWidget(cbbLineType, 0, 1);
  grid->addWidget(MakeCaption(UiText("Line Type："), nullptr, this), 1, 0);
  grid->addWidget(cbbUType, 1, 1);
  grid->addWidget(Label7, 2, 0);
  grid->addWidget(edLineUserName, 2, 1);
  grid->addWidget(Label6, 3, 0);
  grid->addWidget(edLineUserPwd, 3, 1);
  grid->addWidget(chkAutoConn, 4, 0, 1, 2);
  grid->addWidget(btSaveLineInfo, 5, 1, Qt::AlignRight);
  grid->setColumnStretch(2, 1);

  auto* tips = new QVBoxLayout;
  tips->setSpacing(6);
  Label31->setMinimumWidth(140);
  tips->addWidget(Label31);
  tips->addWidget(labelLan1);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(8);
  layout->addWidget(MakeBox(UiText("Network Setting"), "GroupBoxLine", grid, this), 3);
  layout->addWidget(MakeBox(UiText("Tips"), "GroupBoxTips", tips, this), 2);
}

void NetworkPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  TabSheet2Show();
}

void NetworkPage::TabSheet2Show() {
  Label31->SetWholeText(QString());
  labelLan1->hide();
  if (!connectionsFilled_) {
    // Set first: the focus the warning moves comes back here as the page's OnEnter.
    connectionsFilled_ = true;
    LoadSettings();
  }
  cbbUTypeChange();
  ShowTips();
}

void NetworkPage::LoadSettings() {
  const LineSettings stored = seams_.ReadSettings ? seams_.ReadSettings() : LineSettings{};
  cbbUType->clear();
  if (seams_.LineTypeNames) {
    for (const std::string& name : seams_.LineTypeNames()) cbbUType->addItem(UiText(name));
  }
  const bool known = stored.InternalLineType >= 0 && stored.InternalLineType < cbbUType->count();
  cbbUType->setCurrentIndex(known ? stored.InternalLineType : -1);
  edLineUserName->setText(FromUtf8(stored.LineUserName));
  edLineUserPwd->setText(FromUtf8(stored.LineUserPwd));
  chkAutoConn->setChecked(stored.AutoConn);
  FillConnections(stored.LineName);
}

void NetworkPage::FillConnections(const std::string& lineName) {
  cbbLineType->clear();
  if (seams_.ConnectionNames) cbbLineType->addItems(ToList(seams_.ConnectionNames()));
  // Exact match apart from letter case.
  const int found =
      lineName.empty() ? -1 : cbbLineType->findText(FromUtf8(lineName), Qt::MatchFixedString);
  cbbLineType->setCurrentIndex(found);
  if (found < 0 && !lineName.empty()) {
    if (seams_.ShowHintPopup) seams_.ShowHintPopup(kTipTitle, kConnectionWarning);
    cbbLineType->setFocus();
  }
}

void NetworkPage::cbbUTypeChange() {
  const bool needed = NeedsCredentials(cbbUType->currentIndex());
  for (QWidget* field : {static_cast<QWidget*>(Label7), static_cast<QWidget*>(edLineUserName),
                         static_cast<QWidget*>(Label6), static_cast<QWidget*>(edLineUserPwd)}) {
    field->setVisible(needed);
  }
}

void NetworkPage::ShowTips() {
  if (seams_.NetReachable && !seams_.NetReachable()) return;
  if (seams_.IsLanOnly && seams_.IsLanOnly()) {
    Label31->SetWholeText(TableText(session::kLanOnlyTipEntry));
    labelLan1->show();
  } else {
    Label31->SetWholeText(TableText(session::kValidIpTipEntry));
    labelLan1->hide();
  }
}

void NetworkPage::btSaveLineInfoClick() {
  const int lineType = cbbUType->currentIndex();
  if (NeedsCredentials(lineType)) {
    for (const QLineEdit* edit : {edLineUserName, edLineUserPwd}) {
      if (!edit->text().trimmed().isEmpty()) continue;
      if (seams_.ShowErrorBox) seams_.ShowErrorBox(kTipTitle, lines::kMissingCredentialsText);
      edLineUserName->setFocus();
      return;
    }
  }
  const std::string lineName = cbbLineType->currentText().toStdString();
  if (seams_.LineNameUsable && !seams_.LineNameUsable(lineType, lineName)) {
    // Stored, it would fail only when the line starts, long after this Save.
    if (seams_.ShowErrorBox) {
      seams_.ShowErrorBox(kTipTitle,
                          runtime::Translate("\"%1\" is not an entry of the dial-up phonebook: "
                                             "choose one of its entries for a dial-up line.",
                                             {lineName}));
    }
    cbbLineType->setFocus();
    return;
  }
  const LineSettings values{.InternalLineType = lineType,
                            .LineName = lineName,
                            .LineUserName = edLineUserName->text().toStdString(),
                            .LineUserPwd = edLineUserPwd->text().toStdString(),
                            .AutoConn = chkAutoConn->isChecked()};
  if (seams_.SaveSettings) seams_.SaveSettings(values);

  const AppliedLine line{lineType, values.LineName, values.LineUserPwd, values.LineUserName};
  if (line == applied_ || !seams_.ApplyLine) return;
  ShowApplying(true);
  try {
    seams_.ApplyLine(line.lineType, line.lineName, line.password, line.userName,
                     [page = QPointer<NetworkPage>(this)] {
                       if (page) page->ShowApplying(false);
                     });
  } catch (const std::exception& error) {
    // The values are stored already; the user learns why no line runs with them.
    if (seams_.ShowErrorBox) seams_.ShowErrorBox("Error", error.what());
    return;
  }
  applied_ = line;
}

void NetworkPage::ShowApplying(bool applying) {
  btSaveLineInfo->setEnabled(!applying);
  if (applying) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
}

void NetworkPage::chkAutoConnClick() {
  if (seams_.SetKeepActive) seams_.SetKeepActive(chkAutoConn->isChecked());
}

void NetworkPage::labelLan1Click() { ShellOpen(labelLan1->toolTip()); }

bool NetworkPage::NeedsCredentials(int index) const {
  return !seams_.NeedsCredentials || seams_.NeedsCredentials(index);
}

}  // namespace kelbrin::gui
