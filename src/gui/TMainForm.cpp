#include "gui/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStackedWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>

#include "gui/AdvancedServicePage.h"
#include "gui/BannerPanel.h"
#include "gui/DomainPage.h"
#include "gui/JpegImage.h"
#include "gui/LinkLabel.h"
#include "gui/LogPage.h"
#include "gui/NetworkPage.h"
#include "gui/PageButtonRow.h"
#include "gui/ProgramFont.h"
#include "gui/ShellOpen.h"
#include "gui/StatePage.h"
#include "gui/TFAbout.h"
#include "gui/TFrmSysInfo.h"
#include "gui/TLoopEventFrm.h"
#include "gui/TrayIcon.h"
#include "gui/UiText.h"
#include "lines/TLineFactory.h"
#include "reminders/EventKinds.h"
#include "session/ProfileDisplay.h"
#include "session/StringTable.h"
#include "settings/ParamInfo.h"
#include "sysinfo/IpHelper.h"

namespace kelbrin::gui {

namespace {

constexpr int kClientWidth = 532;
constexpr int kClientHeight = 402;
constexpr int kHintShowMs = 10000;
const QString kCaption = QStringLiteral("Kelbrin V1.0");

const char* const kStyle = R"(
  QWidget#TMainForm { background: #eef3fb; }
  QLabel#Label14 { color: white; font-weight: bold; }
  QToolButton#SBtnMin, QToolButton#SBtnClose { border: none; padding: 0; }
  QWidget#Panel1 { background: #e3e3e3; border-bottom: 1px solid #b8c4d6; }
  QMenuBar#ActionMainMenuBar1 { background: #e3e3e3; }
  QMenuBar#ActionMainMenuBar1::item { padding: 3px 7px; background: transparent; }
  QMenuBar#ActionMainMenuBar1::item:selected { background: #c9d9f0; color: #0d2550; }
  QWidget#Panel13 { background: #d6e3f5; border-bottom: 1px solid #9fb8dc; }
  QStackedWidget#PageControl1 > QWidget { background: #eef3fb; }
  QFrame[pageBox="true"] { background: #f4f7fc; border: 1px solid #b8cce8; border-radius: 4px; }
  QLabel[boxHeading="true"] { color: #1f3f77; font-weight: bold; border: none;
                              background: transparent; }
  QLabel[caption="true"] { color: #34507f; }
  QLabel#Label25, QLabel#Label26, QLabel#Label27, QLabel#Label28, QLabel#Label29 {
    color: #0d2550; font-weight: bold; }
  QLineEdit { border: 1px solid #8fa9cf; border-radius: 2px; padding: 2px 4px; background: white; }
  QLineEdit:focus { border-color: #2f6fd0; }
  QLineEdit:disabled { background: #e6ebf3; color: #6b7a90; }
  QLineEdit#EditPassword { lineedit-password-character: 42; }
  QPushButton { color: white; border: 1px solid #163a72; border-radius: 3px; padding: 3px 12px;
                min-width: 52px;
                background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4f86d6, stop:1 #1d4a8f); }
  QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #6a9be0,
                                                  stop:1 #2a5ca8); }
  QPushButton:pressed { background: #1d4a8f; }
  QPushButton:disabled { color: #e8eef7; border-color: #8497b5; background: #9aaecd; }
  QLabel#Label11 { color: #c9dcf7; }
)";

QString tableText(int entry) { return QString::fromStdString(session::LoadTableString(entry)); }

QLabel* pictureLabel(const char* name, const char* picture, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setPixmap(QPixmap::fromImage(JpegImage::fromResource(QString::fromLatin1(picture))));
  label->setScaledContents(true);
  return label;
}

QToolButton* titleButton(const char* name, const char* picture, const QString& hint,
                         QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setFixedSize(17, 17);
  button->setIconSize(QSize(17, 17));
  button->setIcon(QPixmap::fromImage(JpegImage::fromResource(QString::fromLatin1(picture))));
  button->setToolTip(hint);
  button->setCursor(Qt::ArrowCursor);
  return button;
}

NetworkPage::LineSettings StoredLineSettings() {
  const settings::TParamInfo record = settings::ParamInfo().snapshot();
  return {.InternalLineType = record.InternalLineType,
          .LineName = record.LineName,
          .LineUserName = record.LineUserName,
          .LineUserPwd = record.LineUserPwd,
          .AutoConn = record.AutoConn};
}

// The page's values into the record; the session's SaveSettings then writes the whole record.
void PutLineSettings(const NetworkPage::LineSettings& values) {
  settings::TParamInfo record = settings::ParamInfo().snapshot();
  record.InternalLineType = values.InternalLineType;
  record.LineName = values.LineName;
  record.LineUserName = values.LineUserName;
  record.LineUserPwd = values.LineUserPwd;
  record.AutoConn = values.AutoConn;
  settings::ParamInfo().update(record);
}

std::vector<std::string> LineTypeNames() {
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  return names;
}

}  // namespace

TMainForm::TMainForm(session::SessionController& controller, runtime::Presenter& presenter,
                     QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      controller_(controller),
      presenter_(presenter),
      banner_(new BannerPanel(this)),
      pageButtons_(new PageButtonRow(this)),
      pages_(new QStackedWidget(this)),
      statePage_(new StatePage(controller, controller, pages_)),
      servicePage_(new AdvancedServicePage(controller, pages_)),
      logSheet_(new QWidget(pages_)),
      tray_(std::make_unique<TrayIcon>()) {
  setObjectName(QStringLiteral("TMainForm"));
  setAttribute(Qt::WA_StyledBackground);
  setWindowTitle(kCaption);
  setWindowIcon(ProgramIcon(QStringLiteral("TRAY_ONLINE")));
  setFont(ProgramFont());
  setFixedSize(kClientWidth, kClientHeight);
  setStyleSheet(QString::fromLatin1(kStyle));

  pages_->setObjectName(QStringLiteral("PageControl1"));
  logSheet_->setObjectName(QStringLiteral("TabSheet5"));
  pages_->addWidget(statePage_);
  auto* networkPage = new NetworkPage(
      {.ConnectionNames =
           [this] {
             return networkHooks_.ConnectionNames ? networkHooks_.ConnectionNames()
                                                  : std::vector<std::string>();
           },
       .LineTypeNames = LineTypeNames,
       .NeedsCredentials = lines::TLineFactory::NeedsCredentials,
       .ReadSettings = StoredLineSettings,
       .SaveSettings =
           [this](const NetworkPage::LineSettings& values) {
             PutLineSettings(values);
             controller_.SaveSettings();
           },
       .ApplyLine =
           [this](int lineType, const std::string& lineName, const std::string& password,
                  const std::string& userName) {
             if (networkHooks_.ApplyLine)
               networkHooks_.ApplyLine(lineType, lineName, password, userName);
           },
       .SetKeepActive =
           [this](bool keepActive) {
             if (networkHooks_.SetKeepActive) networkHooks_.SetKeepActive(keepActive);
           },
       .NetReachable = [this] { return controller_.NetReachable(); },
       .IsLanOnly = sysinfo::IsLanOnly,
       .ShowHintPopup = [this](const std::string& title,
                               const std::string& text) { presenter_.ShowHintPopup(title, text); },
       .ShowErrorBox = [this](const std::string& caption,
                              const std::string& text) { presenter_.ShowErrorBox(caption, text); }},
      pages_);
  pages_->addWidget(networkPage);
  domainPage_ = new DomainPage(
      {.IsOnline = [this] { return controller_.Mark() == 1; },
       .RefreshServiceList = [this] { controller_.RefreshServiceList(); },
       .ShowRootState = [this] { controller_.ShowAccountAddress(); },
       .ShowInfoBox = [this](const std::string& caption,
                             const std::string& text) { presenter_.ShowInfoBox(caption, text); },
       .ShowStatePage = [this] { SetActivePage(kStatePage); },
       .Today = [this] { return session::LocalDate(controller_.WallNow()); }},
      pages_);
  pages_->addWidget(domainPage_);
  pages_->addWidget(servicePage_);
  pages_->addWidget(logSheet_);
  const QString captions[] = {UiText("User State"), UiText("Network Setting"),
                              UiText("Information"), UiText("Advanced Service"), UiText("Log")};
  for (int page = 0; page < PageButtonRow::kPageCount; ++page) {
    pages_->widget(page)->setWindowTitle(captions[page]);
  }
  connect(pageButtons_, &PageButtonRow::pageClicked, this, &TMainForm::Label19Click);

  settingsBoxes_ = new SettingsBoxes(controller_, controller_, controller_, presenter_,
                                     statePage_->ChkBoxSavePwd(), statePage_->ChkBoxStartup(),
                                     statePage_->ChkBoxRunAsService(),
                                     servicePage_->suiCheckBoxUpdateSysInfo(), this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(makeTitleBar());
  layout->addWidget(banner_);
  layout->addWidget(makeLinkRow());
  layout->addWidget(pageButtons_);
  layout->addWidget(pages_, 1);
  layout->addWidget(makeBottomBar());

  connect(tray_.get(), &TrayIcon::clicked, this, &TMainForm::CoolTrayIconClick);
  connect(tray_.get(), &TrayIcon::mainFormRequested, this, [this] {
    if (!isVisible()) ShowFromTray();
  });
  connect(tray_.get(), &TrayIcon::visitRequested, this,
          [] { ShellOpen(tableText(session::kWebAddressEntry)); });
  connect(tray_.get(), &TrayIcon::aboutRequested, this, &TMainForm::ShowAbout);
  connect(tray_.get(), &TrayIcon::quitRequested, this, &TMainForm::exitProgram);

  // The window's hints: cyan, and up for ten seconds.
  QPalette hints = QToolTip::palette();
  hints.setColor(QPalette::ToolTipBase, QColor(0x00, 0xff, 0xff));
  hints.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(hints);
  for (QWidget* widget : findChildren<QWidget*>()) widget->setToolTipDuration(kHintShowMs);

  SetActivePage(kStatePage);
  controller_.SetViewObserver([this](const session::SessionView& view) { ShowView(view); });
  ShowView(controller_.View());
  tray_->Show();
}

TMainForm::~TMainForm() {
  controller_.SetViewObserver({});
  tray_.reset();  // the icon leaves the notification area first
}

QWidget* TMainForm::makeTitleBar() {
  QLabel* image3 = pictureLabel("Image3", "TITLE_BAR_BMP", this);
  image3->setFixedHeight(25);
  auto* title = new QLabel(kCaption, image3);
  title->setObjectName(QStringLiteral("Label14"));
  QToolButton* minimise = titleButton("SBtnMin", "TITLE_MIN_BMP", QStringLiteral("最小化"), image3);
  QToolButton* close = titleButton("SBtnClose", "TITLE_CLOSE_BMP", QStringLiteral("关闭"), image3);
  connect(minimise, &QToolButton::clicked, this, &TMainForm::HideToTray);
  connect(close, &QToolButton::clicked, this, &TMainForm::HideToTray);
  auto* row = new QHBoxLayout(image3);
  row->setContentsMargins(26, 0, 4, 0);
  row->setSpacing(3);
  row->addWidget(title);
  row->addStretch();
  row->addWidget(minimise);
  row->addWidget(close);
  image3->installEventFilter(this);
  title->installEventFilter(this);
  return image3;
}

QWidget* TMainForm::makeLinkRow() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setAttribute(Qt::WA_StyledBackground);
  panel->setFixedHeight(23);
  auto* web = new LinkLabel(tableText(session::kWebAddressEntry), panel);
  web->setObjectName(QStringLiteral("Label13"));
  auto* mail = new LinkLabel(tableText(session::kSupportMailEntry), panel);
  mail->setObjectName(QStringLiteral("Label12"));
  connect(web, &LinkLabel::clicked, this, [] { ShellOpen(tableText(session::kWebAddressEntry)); });
  connect(mail, &LinkLabel::clicked, this,
          [] { ShellOpen(QStringLiteral("mailto:") + tableText(session::kSupportMailEntry)); });
  auto* bar = new QMenuBar(panel);
  bar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
  bar->setNativeMenuBar(false);
  makeMenus(bar);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 0, 2, 0);
  row->setSpacing(14);
  row->addWidget(web);
  row->addWidget(mail);
  row->addStretch();
  row->addWidget(bar);
  return panel;
}

QWidget* TMainForm::makeBottomBar() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel9"));
  panel->setFixedHeight(24);
  QLabel* image6 = pictureLabel("Image6", "BOTTOM_BAR_BMP", panel);
  auto* maker = new QLabel(UiText("Kelbrin Networks  ·  Dynamic DNS client"), image6);
  maker->setObjectName(QStringLiteral("Label11"));
  auto* row = new QHBoxLayout(image6);
  row->setContentsMargins(10, 0, 10, 0);
  row->addStretch();
  row->addWidget(maker);
  auto* fill = new QVBoxLayout(panel);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(image6);
  image6->installEventFilter(this);
  maker->installEventFilter(this);
  return panel;
}

QAction* TMainForm::addAction(QMenu* menu, const char* name, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

void TMainForm::makeMenus(QMenuBar* bar) {
  const auto opens = [this](QAction* action, int entry) {
    connect(action, &QAction::triggered, this, [entry] { ShellOpen(tableText(entry)); });
  };

  QMenu* file = bar->addMenu(UiText("File(&F)"));
  cancel_ = addAction(file, "Action3", UiText("Cancel(&U)"));
  login_ = addAction(file, "Action2", UiText("Login(&L)"));
  opens(addAction(file, "ActionReg", UiText("Register(&R)")), session::kRegisterEntry);
  file->addSeparator();
  QAction* quit = addAction(file, "ActionExitZorvan_TIM", UiText("Quit(&X)"));
  connect(cancel_, &QAction::triggered, statePage_, &StatePage::BtnLogonClick);
  connect(login_, &QAction::triggered, this, [this] {
    SetActivePage(kStatePage);
    statePage_->BtnLogonClick();
  });
  connect(quit, &QAction::triggered, this, &TMainForm::exitProgram);

  QMenu* service = bar->addMenu(UiText("Service(&S)"));
  opens(addAction(service, "ActionFKXZ", UiText("Payment(&Z)")), session::kPaymentEntry);
  opens(addAction(service, "ActionJSZC", UiText("Technical Support(&Y)")),
        session::kTechnicalSupportEntry);
  opens(addAction(service, "ActionYMZC", UiText("Domain Register(&X)")),
        session::kDomainRegisterEntry);
  opens(addAction(service, "ActionYMZR", UiText("Domain Transfer(&W)")),
        session::kDomainTransferEntry);
  QAction* bbs = addAction(service, "ActionJSJLQ", UiText("Technique bbs (&V)"));
  opens(bbs, session::kTechniqueBbsEntry);
  bbs->setVisible(false);
  opens(addAction(service, "ActionZZFU", UiText("Other Service(&U)")), session::kOtherServiceEntry);

  QMenu* tools = bar->addMenu(UiText("Tools(&T)"));
  QAction* versionCheck = addAction(tools, "Action10", UiText("Version Check  (&C)"));
  opens(versionCheck, session::kVersionCheckEntry);
  versionCheck->setVisible(false);
  opens(addAction(tools, "ActionModPwd", UiText("Modify Password(&M)")),
        session::kModifyPasswordEntry);
  opens(addAction(tools, "Action11", UiText("Password Callback(&P)")),
        session::kPasswordCallbackEntry);
  // Enabled once the window has the machine's collector (SetSystemInformation).
  sysSummary_ = addAction(tools, "ActionSysSummary", UiText("System Information(&S)"));
  sysSummary_->setEnabled(false);
  connect(sysSummary_, &QAction::triggered, this, [this] {
    if (sysInfo_ != nullptr) TFrmSysInfo::Open(frmSysInfo_, *sysInfo_, this);
  });
  connect(addAction(tools, "ActionAlertSetup", UiText("Remind Setting(&A)")), &QAction::triggered,
          this, &TMainForm::ShowAlertSetup);

  QMenu* help = bar->addMenu(UiText("Help(&H)"));
  help->setObjectName(QStringLiteral("MenuHelp"));
  addAction(help, "ActionHelpContent", UiText("Help(&H)"));
  opens(addAction(help, "Action13", QStringLiteral("推荐给朋友(&Y)")), session::kRecommendEntry);
  opens(addAction(help, "Action12", QStringLiteral("提交建议(&Z)")), session::kSuggestionMailEntry);
  help->addSeparator();
  connect(addAction(help, "ActionAbout", QStringLiteral("关于Zorvan(&A)...")), &QAction::triggered,
          this, &TMainForm::ShowAbout);
  help->menuAction()->setVisible(false);

  for (QMenu* menu : {file, service, tools, help}) {
    connect(menu, &QMenu::aboutToShow, this, &TMainForm::ActionMainMenuBar1Popup);
  }
}

void TMainForm::SetExitAction(std::function<void()> exitAction) {
  exitAction_ = std::move(exitAction);
}

void TMainForm::SetServiceActions(SettingsBoxes::ServiceAction install,
                                  SettingsBoxes::ServiceAction uninstall) {
  settingsBoxes_->SetServiceActions(std::move(install), std::move(uninstall));
}

void TMainForm::exitProgram() {
  if (exitAction_) {
    exitAction_();
  } else {
    QCoreApplication::quit();
  }
}

void TMainForm::placeOnce() {
  if (placed_) return;
  placed_ = true;
  if (const QScreen* where = screen()) {
    move(where->availableGeometry().center() - rect().center());
  }
}

void TMainForm::ShowFromTray() {
  placeOnce();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void TMainForm::HideToTray() {
  if (tray_->HostPresent()) {
    hide();
    return;
  }
  placeOnce();
  showMinimized();
}

void TMainForm::KeepReachable() {
  if (isHidden() && !tray_->HostPresent()) HideToTray();
}

void TMainForm::CoolTrayIconClick() {
  if (isVisible() && !isMinimized()) {
    HideToTray();
  } else {
    ShowFromTray();
  }
}

void TMainForm::SetActivePage(int page) {
  if (page < 0 || page >= pages_->count()) return;
  if (page == kLogPage) ensureLogPage();
  pages_->setCurrentIndex(page);
  pageButtons_->setSelected(page);
}

int TMainForm::ActivePage() const { return pages_->currentIndex(); }

void TMainForm::Label19Click(int page) { SetActivePage(page); }

void TMainForm::ensureLogPage() {
  if (!logSheet_->findChildren<LogPage*>().isEmpty()) return;
  auto* page = new LogPage(
      controller_.EventLog(),
      [this](const std::string& text) {
        controller_.NotifyEvent(reminders::kNotifyTextKind, text);
      },
      logSheet_);
  if (addressHistory_) page->SetAddressHistory(addressHistory_);
  auto* layout = new QVBoxLayout(logSheet_);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(page);
}

void TMainForm::RestartBanner() { banner_->RestartBanner(); }

void TMainForm::SetNetworkSeams(NetworkLineHooks hooks) { networkHooks_ = std::move(hooks); }

void TMainForm::SaveSettings() { controller_.SaveSettings(); }

void TMainForm::ShowAbout() {
  if (!about_) about_ = std::make_unique<TFAbout>();
  about_->ShowModal(this);
}

void TMainForm::ShowAlertSetup() {
  // Owned by the window: the dialog stays above it and opens centred on it.
  if (!loopEventFrm_) {
    loopEventFrm_ = std::make_unique<TLoopEventFrm>(controller_.LoopEventFrm(), this);
  }
  loopEventFrm_->ShowModalOnce();
}

void TMainForm::ActionMainMenuBar1Popup() {
  const bool loggedIn = controller_.Mark() == 1;
  login_->setEnabled(!loggedIn);
  cancel_->setEnabled(loggedIn);
}

void TMainForm::SetAddressHistory(std::function<std::vector<std::string>()> history) {
  addressHistory_ = std::move(history);
}

void TMainForm::SetSystemInformation(sysinfo::TSysInfo& sysInfo) {
  sysInfo_ = &sysInfo;
  sysSummary_->setEnabled(true);
}

void TMainForm::ShowView(const session::SessionView& view) {
  statePage_->ShowView(view);
  domainPage_->ShowServiceList(view.DomainTree);
  settingsBoxes_->ShowView(view);
  tray_->SetState(view.TrayIconIndex, UiText(view.TrayHint));
  // The banner plays again at each login, when the session turns Online.
  const bool online = view.TrayIconIndex == TrayIcon::kOnlineIcon;
  if (online && !online_) RestartBanner();
  online_ = online;
  if (view.BtnLogonEnabled) {
    unsetCursor();
  } else {
    setCursor(Qt::BusyCursor);
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  HideToTray();
}

// Minimising leaves only the tray icon, where there is a tray host. The window is hidden once the
// window system has finished minimising it; hiding it in the middle of that is undone by some
// window managers.
void TMainForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (!(windowState() & Qt::WindowMinimized) || !tray_->HostPresent()) return;
          hide();
          setWindowState(windowState() & ~Qt::WindowMinimized);
        },
        Qt::QueuedConnection);
  }
}

// The title and bottom bars move the window: by the window manager where it can, else by hand.
bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* press = static_cast<QMouseEvent*>(event);
      if (press->button() != Qt::LeftButton) break;
      if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return true;
      dragging_ = true;
      dragOffset_ = press->globalPosition().toPoint() - frameGeometry().topLeft();
      return true;
    }
    case QEvent::MouseMove:
      if (dragging_) {
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      dragging_ = false;
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelbrin::gui
