#include "gui/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
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
  QPushButton:focus { border: 2px solid #ffb020; padding: 2px 11px; }
  QPushButton:disabled { color: #e8eef7; border-color: #8497b5; background: #9aaecd; }
  QLabel#Label11 { color: #c9dcf7; }
)";

QString TableText(int entry) { return QString::fromStdString(session::LoadTableString(entry)); }

QLabel* PictureLabel(const char* name, const char* picture, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setPixmap(QPixmap::fromImage(JpegImage::FromResource(QString::fromLatin1(picture))));
  label->setScaledContents(true);
  return label;
}

QToolButton* TitleButton(const char* name, const char* picture, const QString& hint,
                         QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setFixedSize(17, 17);
  button->setIconSize(QSize(17, 17));
  button->setIcon(QPixmap::fromImage(JpegImage::FromResource(QString::fromLatin1(picture))));
  button->setToolTip(hint);
  button->setCursor(Qt::ArrowCursor);
  // Mouse only: as Tab stops they would be invisible, and Space on them hides the window.
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

std::vector<std::string> LineTypeNames() {
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  return names;
}

}  // namespace

TMainForm::TMainForm(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      services_(std::move(services)),
      controller_(services_.session),
      presenter_(services_.presenter),
      banner_(new BannerPanel(this)),
      pageButtons_(new PageButtonRow(this)),
      pages_(new QStackedWidget(this)),
      statePage_(new StatePage(controller_, controller_, pages_)),
      servicePage_(new AdvancedServicePage(controller_, pages_)),
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
             return services_.network.ConnectionNames ? services_.network.ConnectionNames()
                                                      : std::vector<std::string>();
           },
       .LineTypeNames = LineTypeNames,
       .NeedsCredentials = lines::TLineFactory::NeedsCredentials,
       .LineNameUsable =
           [this](int lineType, const std::string& name) {
             return !lines::TLineFactory::DialsPhonebookEntry(lineType) ||
                    !services_.network.IsDialUpEntry || services_.network.IsDialUpEntry(name);
           },
       .ReadSettings = [this] { return StoredLineSettings(); },
       .SaveSettings =
           [this](const NetworkPage::LineSettings& values) {
             PutLineSettings(values);
             controller_.SaveSettings();
           },
       .ApplyLine =
           [this](int lineType, const std::string& lineName, const std::string& password,
                  const std::string& userName, std::function<void()> done) {
             if (services_.network.ApplyLine) {
               services_.network.ApplyLine(lineType, lineName, password, userName, std::move(done));
             } else if (done) {
               done();
             }
           },
       .SetKeepActive =
           [this](bool keepActive) {
             if (services_.network.SetKeepActive) services_.network.SetKeepActive(keepActive);
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
  const auto pageKeys = [this](std::initializer_list<QKeySequence> keys, int step) {
    for (const QKeySequence& key : keys) {
      connect(new QShortcut(key, this), &QShortcut::activated, this, [this, step] {
        const int count = pages_->count();
        SetActivePage((ActivePage() + step + count) % count);
      });
    }
  };
  pageKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, 1);
  pageKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
            QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
           -1);

  settingsBoxes_ = new SettingsBoxes(controller_, controller_, controller_, presenter_,
                                     statePage_->ChkBoxSavePwd(), statePage_->ChkBoxStartup(),
                                     statePage_->ChkBoxRunAsService(),
                                     servicePage_->suiCheckBoxUpdateSysInfo(), this);
  settingsBoxes_->SetServiceActions(services_.installService, services_.uninstallService);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(MakeTitleBar());
  layout->addWidget(banner_);
  layout->addWidget(MakeLinkRow());
  layout->addWidget(pageButtons_);
  layout->addWidget(pages_, 1);
  layout->addWidget(MakeBottomBar());

  connect(tray_.get(), &TrayIcon::clicked, this, &TMainForm::CoolTrayIconClick);
  connect(tray_.get(), &TrayIcon::mainFormRequested, this, [this] {
    if (!isVisible()) ShowFromTray();
  });
  connect(tray_.get(), &TrayIcon::visitRequested, this,
          [] { ShellOpen(TableText(session::kWebAddressEntry)); });
  connect(tray_.get(), &TrayIcon::aboutRequested, this, &TMainForm::ShowAbout);
  connect(tray_.get(), &TrayIcon::quitRequested, this, &TMainForm::ExitProgram);

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

QWidget* TMainForm::MakeTitleBar() {
  QLabel* image3 = PictureLabel("Image3", "TITLE_BAR_BMP", this);
  image3->setFixedHeight(25);
  auto* title = new QLabel(kCaption, image3);
  title->setObjectName(QStringLiteral("Label14"));
  QToolButton* minimise = TitleButton("SBtnMin", "TITLE_MIN_BMP", QStringLiteral("最小化"), image3);
  QToolButton* close = TitleButton("SBtnClose", "TITLE_CLOSE_BMP", QStringLiteral("关闭"), image3);
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

QWidget* TMainForm::MakeLinkRow() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setAttribute(Qt::WA_StyledBackground);
  panel->setFixedHeight(23);
  auto* web = new LinkLabel(TableText(session::kWebAddressEntry), panel);
  web->setObjectName(QStringLiteral("Label13"));
  auto* mail = new LinkLabel(TableText(session::kSupportMailEntry), panel);
  mail->setObjectName(QStringLiteral("Label12"));
  connect(web, &LinkLabel::clicked, this, [] { ShellOpen(TableText(session::kWebAddressEntry)); });
  connect(mail, &LinkLabel::clicked, this,
          [] { ShellOpen(QStringLiteral("mailto:") + TableText(session::kSupportMailEntry)); });
  auto* bar = new QMenuBar(panel);
  bar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
  bar->setNativeMenuBar(false);
  MakeMenus(bar);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 0, 2, 0);
  row->setSpacing(14);
  row->addWidget(web);
  row->addWidget(mail);
  row->addStretch();
  row->addWidget(bar);
  return panel;
}

QWidget* TMainForm::MakeBottomBar() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel9"));
  panel->setFixedHeight(24);
  QLabel* image6 = PictureLabel("Image6", "BOTTOM_BAR_BMP", panel);
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

QAction* TMainForm::AddAction(QMenu* menu, const char* name, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

void TMainForm::MakeMenus(QMenuBar* bar) {
  const auto opens = [this](QAction* action, int entry) {
    connect(action, &QAction::triggered, this, [entry] { ShellOpen(TableText(entry)); });
  };

  QMenu* file = bar->addMenu(UiText("File(&F)"));
  cancel_ = AddAction(file, "Action3", UiText("Cancel(&U)"));
  login_ = AddAction(file, "Action2", UiText("Login(&L)"));
  opens(AddAction(file, "ActionReg", UiText("Register(&R)")), session::kRegisterEntry);
  file->addSeparator();
  QAction* quit = AddAction(file, "ActionExitZorvan_TIM", UiText("Quit(&X)"));
  connect(cancel_, &QAction::triggered, statePage_, &StatePage::BtnLogonClick);
  connect(login_, &QAction::triggered, this, [this] {
    SetActivePage(kStatePage);
    statePage_->BtnLogonClick();
  });
  connect(quit, &QAction::triggered, this, &TMainForm::ExitProgram);

  QMenu* service = bar->addMenu(UiText("Service(&S)"));
  opens(AddAction(service, "ActionFKXZ", UiText("Payment(&Z)")), session::kPaymentEntry);
  opens(AddAction(service, "ActionJSZC", UiText("Technical Support(&Y)")),
        session::kTechnicalSupportEntry);
  opens(AddAction(service, "ActionYMZC", UiText("Domain Register(&X)")),
        session::kDomainRegisterEntry);
  opens(AddAction(service, "ActionYMZR", UiText("Domain Transfer(&W)")),
        session::kDomainTransferEntry);
  QAction* bbs = AddAction(service, "ActionJSJLQ", UiText("Technique bbs (&V)"));
  opens(bbs, session::kTechniqueBbsEntry);
  bbs->setVisible(false);
  opens(AddAction(service, "ActionZZFU", UiText("Other Service(&U)")), session::kOtherServiceEntry);

  QMenu* tools = bar->addMenu(UiText("Tools(&T)"));
  QAction* versionCheck = AddAction(tools, "Action10", UiText("Version Check  (&C)"));
  opens(versionCheck, session::kVersionCheckEntry);
  versionCheck->setVisible(false);
  opens(AddAction(tools, "ActionModPwd", UiText("Modify Password(&M)")),
        session::kModifyPasswordEntry);
  opens(AddAction(tools, "Action11", UiText("Password Callback(&P)")),
        session::kPasswordCallbackEntry);
  // Enabled when the window has the machine's collector.
  sysSummary_ = AddAction(tools, "ActionSysSummary", UiText("System Information(&S)"));
  sysSummary_->setEnabled(services_.sysInfo != nullptr);
  connect(sysSummary_, &QAction::triggered, this, [this] {
    if (services_.sysInfo != nullptr) TFrmSysInfo::Open(frmSysInfo_, *services_.sysInfo, this);
  });
  connect(AddAction(tools, "ActionAlertSetup", UiText("Remind Setting(&A)")), &QAction::triggered,
          this, &TMainForm::ShowAlertSetup);

  QMenu* help = bar->addMenu(UiText("Help(&H)"));
  help->setObjectName(QStringLiteral("MenuHelp"));
  AddAction(help, "ActionHelpContent", UiText("Help(&H)"));
  opens(AddAction(help, "Action13", QStringLiteral("推荐给朋友(&Y)")), session::kRecommendEntry);
  opens(AddAction(help, "Action12", QStringLiteral("提交建议(&Z)")), session::kSuggestionMailEntry);
  help->addSeparator();
  connect(AddAction(help, "ActionAbout", QStringLiteral("关于Zorvan(&A)...")), &QAction::triggered,
          this, &TMainForm::ShowAbout);
  help->menuAction()->setVisible(false);

  for (QMenu* menu : {file, service, tools, help}) {
    connect(menu, &QMenu::aboutToShow, this, &TMainForm::ActionMainMenuBar1Popup);
  }
}

NetworkPage::LineSettings TMainForm::StoredLineSettings() const {
  const settings::TParamInfo record = services_.settings.Snapshot();
  return {.InternalLineType = record.InternalLineType,
          .LineName = record.LineName,
          .LineUserName = record.LineUserName,
          .LineUserPwd = record.LineUserPwd,
          .AutoConn = record.AutoConn};
}

// The page's values into the record; the session's SaveSettings then writes the whole record.
void TMainForm::PutLineSettings(const NetworkPage::LineSettings& values) {
  settings::TParamInfo record = services_.settings.Snapshot();
  record.InternalLineType = values.InternalLineType;
  record.LineName = values.LineName;
  record.LineUserName = values.LineUserName;
  record.LineUserPwd = values.LineUserPwd;
  record.AutoConn = values.AutoConn;
  services_.settings.Update(record);
}

void TMainForm::ExitProgram() {
  if (services_.exitAction) {
    services_.exitAction();
  } else {
    QCoreApplication::quit();
  }
}

void TMainForm::PlaceOnce() {
  if (placed_) return;
  placed_ = true;
  if (const QScreen* where = screen()) {
    move(where->availableGeometry().center() - rect().center());
  }
}

void TMainForm::ShowFromTray() {
  PlaceOnce();
  // A window hidden after a minimise keeps its minimised state until it is mapped again: changed
  // on an unmapped window, the state maps it behind the toolkit's back, and the window manager
  // then gives keys to a window the toolkit thinks hidden.
  const bool minimized = windowState() & Qt::WindowMinimized;
  show();
  if (minimized) setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
}

void TMainForm::HideToTray() {
  if (tray_->HostPresent()) {
    hide();
    return;
  }
  PlaceOnce();
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
  if (page == kLogPage) EnsureLogPage();
  pages_->setCurrentIndex(page);
  pageButtons_->SetSelected(page);
}

int TMainForm::ActivePage() const { return pages_->currentIndex(); }

void TMainForm::Label19Click(int page) { SetActivePage(page); }

void TMainForm::EnsureLogPage() {
  if (!logSheet_->findChildren<LogPage*>().isEmpty()) return;
  auto* page = new LogPage(
      services_.eventLog,
      [this](const std::string& text) {
        controller_.NotifyEvent(reminders::kNotifyTextKind, text);
      },
      logSheet_);
  if (services_.addressHistory) page->SetAddressHistory(services_.addressHistory);
  auto* layout = new QVBoxLayout(logSheet_);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(page);
}

void TMainForm::RestartBanner() { banner_->RestartBanner(); }

void TMainForm::SaveSettings() { controller_.SaveSettings(); }

void TMainForm::ShowAbout() {
  if (!about_) about_ = std::make_unique<TFAbout>();
  about_->ShowModal(this);
}

void TMainForm::ShowAlertSetup() {
  // Owned by the window: the dialog stays above it and opens centred on it.
  if (!loopEventFrm_) {
    loopEventFrm_ = std::make_unique<TLoopEventFrm>(services_.reminders, this);
  }
  loopEventFrm_->ShowModalOnce();
}

void TMainForm::ActionMainMenuBar1Popup() {
  const bool loggedIn = controller_.Mark() == 1;
  login_->setEnabled(!loggedIn);
  cancel_->setEnabled(loggedIn);
}

void TMainForm::ShowView(const session::SessionView& view) {
  statePage_->ShowView(view);
  domainPage_->ShowServiceList(view.DomainTree);
  domainPage_->ShowFetching(view.ServiceListFetching);
  settingsBoxes_->ShowView(view);
  tray_->SetState(view.TrayIconIndex, UiText(view.TrayHint));
  // The banner plays again at each login; a service that stops answering for a while and comes
  // back is no new login.
  const bool loggedIn = view.TrayIconIndex != TrayIcon::kOfflineIcon;
  if (loggedIn && !loggedIn_) RestartBanner();
  loggedIn_ = loggedIn;
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
// window managers. It stays minimised while hidden (ShowFromTray restores it).
void TMainForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (!(windowState() & Qt::WindowMinimized) || !tray_->HostPresent()) return;
          hide();
        },
        Qt::QueuedConnection);
  }
}

// A button of the page shown whose mnemonic is `key` (Alt+letter), or null.
QAbstractButton* TMainForm::pageButtonFor(const QKeyEvent& key) const {
  if (key.modifiers() != Qt::AltModifier) return nullptr;
  const QKeySequence pressed(key.keyCombination());
  for (QAbstractButton* button : pages_->currentWidget()->findChildren<QAbstractButton*>()) {
    if (button->isVisible() && button->isEnabled() &&
        QKeySequence::mnemonic(button->text()) == pressed) {
      return button;
    }
  }
  return nullptr;
}

// The page's own mnemonics win over the menu bar's ("Save(&S)" on the Log page over
// "Service(&S)"): the key is taken from the shortcuts and the button gets the focus, so the key
// press itself reaches the button's window and presses it (keyPressEvent). Return presses a
// focused button as Space does.
bool TMainForm::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    if (QAbstractButton* button = pageButtonFor(*static_cast<QKeyEvent*>(event))) {
      button->setFocus(Qt::ShortcutFocusReason);
      event->accept();
      return true;
    }
  }
  return QWidget::event(event);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (QAbstractButton* button = pageButtonFor(*event)) {
    button->animateClick();
    return;
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  auto* focused = qobject_cast<QPushButton*>(focusWidget());
  if (enter && event->modifiers() == Qt::NoModifier && focused != nullptr && focused->isEnabled()) {
    focused->animateClick();
    return;
  }
  QWidget::keyPressEvent(event);
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
