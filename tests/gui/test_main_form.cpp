#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>

#include "MainFormFixture.h"
#include "ReferenceService.h"
#include "Screenshot.h"
#include "TempDir.h"
#include "gui/AdvancedServicePage.h"
#include "gui/LinkLabel.h"
#include "gui/LogPage.h"
#include "gui/PageButtonRow.h"
#include "gui/TrayIcon.h"
#include "settings/PubUtil.h"

using kelbrin::gui::PageButtonRow;
using kelbrin::gui::TMainForm;
using kelbrin::gui::test::MainFormRig;
using kelbrin::test::MemorySettingsBackend;

namespace {

const QString kSite = QStringLiteral("http://" KELBRIN_TEST_SERVICE_HOST);

QAction* action(const MainFormRig& rig, const char* name) { return rig.find<QAction>(name); }

QMenu* menuOf(const MainFormRig& rig, const char* actionName) {
  for (QMenu* menu : rig.find<QMenuBar>("ActionMainMenuBar1")->findChildren<QMenu*>()) {
    if (menu->actions().contains(action(rig, actionName))) return menu;
  }
  return nullptr;
}

void click(QWidget* widget) {
  QVERIFY(widget);
  QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Runs `action` inside the application's own event loop, the only place where Qt reports the
// last window closing (and quits on it). Leaves the loop once `window` is hidden and what hiding
// it posted has run, or after a bound. True when the window was hidden.
bool RunInApplicationLoop(QWidget* window, const std::function<void()>& action) {
  bool hidden = false;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (window->isVisible()) return;
    hidden = true;
    poll.stop();
    // Queued behind whatever the hiding posted.
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::quit(); });
  QTimer::singleShot(0, qApp, [&] {
    guard.start(10000);
    action();
    poll.start();
  });
  QApplication::exec();
  return hidden;
}

}  // namespace

class TestMainForm : public QObject {
  Q_OBJECT

  kelbrin::test::TempDir configRoot_;

 private Q_SLOTS:
  void initTestCase() { kelbrin::settings::SetConfigRoot(configRoot_ / "config"); }

  void hasTheFrameOfTheMainWindow() {
    MainFormRig rig;
    TMainForm& form = *rig.form;
    QCOMPARE(form.size(), QSize(532, 402));
    QCOMPARE(form.windowTitle(), QString("Kelbrin V1.0"));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(rig.find<QLabel>("Label14")->text(), QString("Kelbrin V1.0"));
    QCOMPARE(rig.find<QWidget>("Image3")->height(), 25);
    QCOMPARE(rig.find<QWidget>("Panel5")->height(), 55);
    QCOMPARE(rig.find<QWidget>("Panel9")->height(), 24);
    QToolButton* minimise = rig.find<QToolButton>("SBtnMin");
    QToolButton* close = rig.find<QToolButton>("SBtnClose");
    QCOMPARE(minimise->toolTip(), QString("最小化"));
    QCOMPARE(close->toolTip(), QString("关闭"));
    QCOMPARE(minimise->size(), QSize(17, 17));
    QCOMPARE(close->size(), QSize(17, 17));
    QCOMPARE(close->toolTipDuration(), 10000);  // hints stay up for ten seconds
    QCOMPARE(rig.find<QLabel>("Label13")->text(), kSite);
    QCOMPARE(rig.find<QLabel>("Label12")->text(), "support@" KELBRIN_TEST_SERVICE_HOST);
    QVERIFY(!rig.find<QLabel>("Label11")->text().isEmpty());

    auto* pages = rig.find<QStackedWidget>("PageControl1");
    QCOMPARE(pages->count(), 5);
    const QStringList captions{"User State", "Network Setting", "Information", "Advanced Service",
                               "Log"};
    const QStringList names{"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5"};
    for (int page = 0; page < 5; ++page) {
      QCOMPARE(pages->widget(page)->windowTitle(), captions[page]);
      QCOMPARE(pages->widget(page)->objectName(), names[page]);
    }
    QCOMPARE(form.ActivePage(), 0);
    for (const char* name : {"EditUserName", "EditPassword"}) {
      QCOMPARE(rig.find<QLineEdit>(name)->maxLength(), 15);
    }
    auto* password = rig.find<QLineEdit>("EditPassword");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    form.show();
    QCOMPARE(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
             int('*'));
    // Start-up: offline in the tray, no payment notice.
    QCOMPARE(form.Tray().IconIndex(), 0);
    QCOMPARE(form.Tray().Hint(), QString("Kelbrin client V6.0 -- Offline"));
    QVERIFY(rig.find<QWidget>("Image1")->isHidden());
    QVERIFY(rig.find<QWidget>("labFKXZUrl")->isHidden());
    QCOMPARE(rig.find<QLabel>("labFKXZUrl")->text(), QString("Payment Notice..."));
    QCOMPARE(rig.find<QLabel>("Label48")->text(),
             QString("In order to offer you the best service,this software will collect the "
                     "system information of you, and you can close this function by the section "
                     "as below."));
  }

  void menuBarHasEveryItemInOrder() {
    MainFormRig rig;
    struct Item {
      const char* name;
      const char* text;
      bool visible;
    };
    const std::vector<std::vector<Item>> menus{
        {{"Action3", "Cancel(&U)", true},
         {"Action2", "Login(&L)", true},
         {"ActionReg", "Register(&R)", true},
         {"", "", true},
         {"ActionExitZorvan_TIM", "Quit(&X)", true}},
        {{"ActionFKXZ", "Payment(&Z)", true},
         {"ActionJSZC", "Technical Support(&Y)", true},
         {"ActionYMZC", "Domain Register(&X)", true},
         {"ActionYMZR", "Domain Transfer(&W)", true},
         {"ActionJSJLQ", "Technique bbs (&V)", false},
         {"ActionZZFU", "Other Service(&U)", true}},
        {{"Action10", "Version Check  (&C)", false},
         {"ActionModPwd", "Modify Password(&M)", true},
         {"Action11", "Password Callback(&P)", true},
         {"ActionSysSummary", "System Information(&S)", true},
         {"ActionAlertSetup", "Remind Setting(&A)", true}},
        {{"ActionHelpContent", "Help(&H)", true},
         {"Action13", "推荐给朋友(&Y)", true},
         {"Action12", "提交建议(&Z)", true},
         {"", "", true},
         {"ActionAbout", "关于Zorvan(&A)...", true}}};
    const QStringList titles{"File(&F)", "Service(&S)", "Tools(&T)", "Help(&H)"};
    const QList<QAction*> bar = rig.find<QMenuBar>("ActionMainMenuBar1")->actions();
    QCOMPARE(bar.size(), 4);
    for (int m = 0; m < 4; ++m) {
      QCOMPARE(bar[m]->text(), titles[m]);
      QCOMPARE(bar[m]->isVisible(), m != 3);  // the Help menu is hidden as a whole
      const QList<QAction*> items = bar[m]->menu()->actions();
      QCOMPARE(items.size(), static_cast<qsizetype>(menus[m].size()));
      for (std::size_t i = 0; i < menus[m].size(); ++i) {
        const Item& want = menus[m][i];
        QAction* got = items[static_cast<qsizetype>(i)];
        if (*want.name == '\0') {
          QVERIFY(got->isSeparator());
          continue;
        }
        QCOMPARE(got->objectName(), QString(want.name));
        QCOMPARE(got->text(), QString::fromUtf8(want.text));
        QCOMPARE(got->isVisible(), want.visible);
      }
    }
    // The rig hands the window the machine's collector, as the desktop does.
    QVERIFY(action(rig, "ActionSysSummary")->isEnabled());
  }

  void menuItemsAndLinksOpenTheirAddresses() {
    MainFormRig rig;
    const std::vector<std::pair<const char*, QString>> actions{
        {"ActionReg", kSite + "/client?101"},
        {"ActionFKXZ", kSite + "/client?104"},
        {"ActionJSZC", kSite + "/client?201"},
        {"ActionYMZC", kSite + "/client?102"},
        {"ActionYMZR", kSite + "/client?202"},
        {"ActionJSJLQ", kSite + "/client?203"},
        {"ActionZZFU", kSite + "/client?205"},
        {"Action10", kSite + "/client?107"},
        {"ActionModPwd", kSite + "/client?105"},
        {"Action11", kSite + "/client?106"},
        {"Action13", kSite + "/client?206"},
        {"Action12", "mailto:support@" KELBRIN_TEST_SERVICE_HOST},
        {"TrayVisit", kSite}};
    for (const auto& [name, address] : actions) {
      QAction* item = action(rig, name);
      if (item == nullptr) item = rig.form->Tray().PopupMenu()->findChild<QAction*>(name);
      QVERIFY2(item, name);
      rig.opened.clear();
      item->trigger();
      QCOMPARE(rig.opened, QStringList{address});
    }
    const std::vector<std::pair<const char*, QString>> links{
        {"Label13", kSite},
        {"Label12", "mailto:support@" KELBRIN_TEST_SERVICE_HOST},
        {"BtnReg", kSite + "/client?101"},
        {"labFKXZUrl", kSite + "/client?104"},
        {"LabelWhy", kSite + "/client?207"},
        {"Label1Protol", kSite + "/client?208"}};
    rig.form->show();
    for (const auto& [name, address] : links) {
      QWidget* link = rig.find<QWidget>(name);
      link->show();
      rig.form->SetActivePage(std::string_view(name).starts_with("Label1P") ||
                                      std::string_view(name) == "LabelWhy"
                                  ? TMainForm::kServicePage
                                  : TMainForm::kStatePage);
      rig.opened.clear();
      click(link);
      QCOMPARE(rig.opened, QStringList{address});
    }
  }

  void pageButtonsColourTheChosenPage_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("part");
    for (int page = 0; page < PageButtonRow::kPageCount; ++page) {
      QTest::addRow("label %d", page) << page << "label";
      QTest::addRow("picture %d", page) << page << "picture";
      QTest::addRow("face corner %d", page) << page << "corner";
      QTest::addRow("indicator %d", page) << page << "indicator";
    }
  }
  void pageButtonsColourTheChosenPage() {
    QFETCH(int, page);
    QFETCH(QString, part);
    MainFormRig rig;
    rig.form->show();
    auto* row = rig.find<PageButtonRow>("Panel13");
    // Start from another page, so that every click is a change.
    rig.form->SetActivePage((page + 1) % PageButtonRow::kPageCount);
    // The whole drawn button is the target, not only its picture and label.
    QWidget* button = row->buttonOf(page);
    if (part == "label") {
      click(row->LabelOf(page));
    } else if (part == "picture") {
      click(row->PictureOf(page));
    } else if (part == "corner") {
      QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(2, 2));
    } else {
      QTest::mouseClick(button, Qt::LeftButton, {},
                        QPoint(button->width() / 2, button->height() - 2));
    }
    QCOMPARE(rig.form->ActivePage(), page);
    for (int other = 0; other < PageButtonRow::kPageCount; ++other) {
      const bool chosen = other == page;
      QCOMPARE(row->LabelColor(other), chosen ? QColor(Qt::red) : QColor(Qt::black));
      QCOMPARE(row->IndicatorColor(other), chosen ? QColor(Qt::red) : QColor(0, 0x80, 0));
    }
    // A click beside the buttons' parts changes nothing.
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(rig.form->ActivePage(), page);
  }

  void keysMoveBetweenPages_data() {
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addRow("Ctrl+Tab") << (Qt::CTRL | Qt::Key_Tab) << 0 << 1;
    QTest::addRow("Ctrl+Tab wraps") << (Qt::CTRL | Qt::Key_Tab) << 4 << 0;
    QTest::addRow("Ctrl+Shift+Tab") << (Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab) << 2 << 1;
    QTest::addRow("Ctrl+Shift+Tab wraps") << (Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab) << 0 << 4;
    QTest::addRow("Ctrl+PgDown") << (Qt::CTRL | Qt::Key_PageDown) << 1 << 2;
    QTest::addRow("Ctrl+PgUp") << (Qt::CTRL | Qt::Key_PageUp) << 3 << 2;
    QTest::addRow("Alt+A State") << (Qt::ALT | Qt::Key_A) << 3 << 0;
    QTest::addRow("Alt+N Network") << (Qt::ALT | Qt::Key_N) << 0 << 1;
    QTest::addRow("Alt+M Domain") << (Qt::ALT | Qt::Key_M) << 0 << 2;
    QTest::addRow("Alt+V Service") << (Qt::ALT | Qt::Key_V) << 0 << 3;
    QTest::addRow("Alt+L Log") << (Qt::ALT | Qt::Key_L) << 0 << 4;
  }
  void keysMoveBetweenPages() {
    QFETCH(QKeyCombination, key);
    QFETCH(int, from);
    QFETCH(int, to);
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.form->SetActivePage(from);
    // Wherever the focus is: in a field of the page or on nothing in particular.
    rig.find<QLineEdit>("EditUserName")->setFocus();
    QTest::keyClick(rig.form->windowHandle(), key.key(), key.keyboardModifiers());
    QCOMPARE(rig.form->ActivePage(), to);
    QCOMPARE(rig.find<PageButtonRow>("Panel13")->Selected(), to);
  }

  // Tab and Shift+Tab reach every control a key can work, and nothing else: not the title bar's
  // buttons; a list takes one stop however many entries it holds; the focus shows.
  void tabChainSkipsTheTitleBarAndTakesAListOnce() {
    MainFormRig rig;
    for (int i = 0; i < 300; ++i)
      rig.root->EventLog().AddLog(0, "entry " + std::to_string(i));
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.form->SetActivePage(TMainForm::kLogPage);
    auto* list = rig.find<QWidget>("ListViewLog");
    auto* clear = rig.find<QPushButton>("BtnClearLog");
    list->setFocus();
    QVector<QWidget*> visited;
    for (int press = 0; press < 20 && !visited.contains(clear); ++press) {
      QTest::keyClick(rig.form->windowHandle(), Qt::Key_Tab);
      visited << QApplication::focusWidget();
    }
    QVERIFY2(visited.contains(clear), "Tab from the log list never reached its buttons");
    QVERIFY(visited.indexOf(clear) <= 1);
    for (QWidget* stop : visited) {
      QVERIFY(stop->objectName() != "SBtnMin" && stop->objectName() != "SBtnClose");
    }
    for (const char* name : {"SBtnMin", "SBtnClose"}) {
      QCOMPARE(rig.find<QToolButton>(name)->focusPolicy(), Qt::NoFocus);
    }
    // A focused button looks different from an unfocused one.
    clear->clearFocus();
    QCoreApplication::processEvents();
    const QImage unfocused = clear->grab().toImage();
    clear->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QVERIFY(clear->grab().toImage() != unfocused);
  }

  // The State page's keys follow its layout: Register sits beside Login, the boxes below them.
  void stateTabOrderFollowsTheLayout() {
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.find<QLineEdit>("EditUserName")->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int press = 0; press < 4; ++press) {
      QTest::keyClick(rig.form->windowHandle(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, (QStringList{"EditPassword", "BtnLogon", "BtnReg", "ChkBoxSavePwd"}));
  }

  void returnPressesAFocusedButton() {
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    auto* reg = rig.find<QPushButton>("BtnReg");
    QVERIFY(reg);
    reg->setFocus(Qt::TabFocusReason);
    QTest::keyClick(rig.form->windowHandle(), Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&rig] { return !rig.opened.isEmpty(); }, 2000));
  }

  // On the Log page its buttons' mnemonics win over the menu bar's "Service(&S)" and the hidden
  // "Help(&H)".
  void logPageMnemonicsBeatTheMenuBar() {
    MainFormRig rig;
    rig.root->EventLog().AddLog(0, "something to save");
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.form->SetActivePage(TMainForm::kLogPage);
    auto* page = rig.form->findChild<kelbrin::gui::LogPage*>();
    QVERIFY(page);
    int saveAsked = 0;
    page->SetDialogs([](QWidget*) { return false; },
                     [&saveAsked](QWidget*, const QString&) { return ++saveAsked, QString(); });
    rig.find<QWidget>("ListViewLog")->setFocus();
    QTest::keyClick(rig.form->windowHandle(), Qt::Key_S, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&saveAsked] { return saveAsked == 1; }, 2000));
    QVERIFY(QApplication::activePopupWidget() == nullptr);  // no menu opened
  }

  void menuOffersLoginOnlyWhileLoggedOut() {
    MainFormRig rig;
    QMenu* file = menuOf(rig, "Action2");
    QVERIFY(file);
    // Opening any menu of the bar applies the rule.
    for (const char* member : {"Action2", "ActionFKXZ", "ActionModPwd"}) {
      action(rig, "Action2")->setEnabled(false);
      action(rig, "Action3")->setEnabled(true);
      Q_EMIT menuOf(rig, member)->aboutToShow();
      QVERIFY(action(rig, "Action2")->isEnabled());
      QVERIFY(!action(rig, "Action3")->isEnabled());
    }
  }

  void closingOnlyHidesToTheTray_data() {
    QTest::addColumn<QString>("how");
    for (const char* how : {"close", "SBtnClose", "SBtnMin", "minimise"}) QTest::newRow(how) << how;
  }
  void closingOnlyHidesToTheTray() {
    QFETCH(QString, how);
    MainFormRig rig;
    rig.form->Tray().SetHostProbe([] { return true; });
    QApplication::setQuitOnLastWindowClosed(true);  // the harshest setting for this test
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    bool closeRefused = true;
    const bool hidden = RunInApplicationLoop(rig.form.get(), [&] {
      if (how == "close") {
        closeRefused = !rig.form->close();  // Alt+F4 and the window manager's close arrive here
      } else if (how == "minimise") {
        rig.form->showMinimized();
      } else {
        click(rig.find<QWidget>(how.toLatin1().constData()));
      }
    });
    QVERIFY(closeRefused);
    QCOMPARE(lastClosed.count(), 0);
    QVERIFY(hidden);
    rig.form->ShowFromTray();
    QVERIFY(rig.form->isVisible());
    QVERIFY(!(rig.form->windowState() & Qt::WindowMinimized));
  }

  // A desktop without a notification area: hiding would leave nothing on the screen to bring the
  // window back from, so closing and minimising leave it minimised to the task bar.
  void withoutATrayHostClosingMinimises_data() { closingOnlyHidesToTheTray_data(); }
  void withoutATrayHostClosingMinimises() {
    QFETCH(QString, how);
    MainFormRig rig;
    rig.form->Tray().SetHostProbe([] { return false; });
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    if (how == "close") {
      QVERIFY(!rig.form->close());
    } else if (how == "minimise") {
      rig.form->showMinimized();
    } else {
      click(rig.find<QWidget>(how.toLatin1().constData()));
    }
    QTRY_VERIFY(rig.form->isMinimized());
    QTest::qWait(20);  // the queued reaction to the minimising has run
    QVERIFY(rig.form->isVisible());
    QVERIFY(rig.form->isMinimized());
    QCOMPARE(lastClosed.count(), 0);
    QVERIFY(!rig.form->Tray().IsShown());
    rig.form->ShowFromTray();
    QVERIFY(rig.form->isVisible());
    QVERIFY(!rig.form->isMinimized());
  }

  // The host is looked for again only while there is none; once it is there, closing hides.
  void aTrayHostThatAppearsLaterIsUsed() {
    MainFormRig rig;
    bool host = false;
    rig.form->Tray().SetHostProbe([&host] { return host; });
    auto* watch = rig.form->Tray().findChild<QTimer*>("TrayHostWatch");
    QVERIFY(watch);
    QVERIFY(watch->isActive());
    QVERIFY(!rig.form->Tray().IsShown());
    watch->setInterval(5);
    int looks = 0;
    rig.form->Tray().SetHostProbe([&host, &looks] { return ++looks, host; });
    QTRY_VERIFY(looks >= 2);  // asked again on the timer
    host = true;
    QTRY_VERIFY(!watch->isActive());
    const int looksWithHost = looks;
    QTest::qWait(30);
    QCOMPARE(looks, looksWithHost);  // not asked while the host is there
    QVERIFY(rig.form->Tray().IsShown());
    rig.form->ShowFromTray();
    QVERIFY(!rig.form->close());
    QTRY_VERIFY(!rig.form->isVisible());
  }

  // A window that InitClient left hidden (saved password) stays reachable without a tray host.
  void aHiddenStartIsMinimisedWithoutATrayHost_data() {
    QTest::addColumn<bool>("host");
    QTest::newRow("tray host") << true;
    QTest::newRow("no tray host") << false;
  }
  void aHiddenStartIsMinimisedWithoutATrayHost() {
    QFETCH(bool, host);
    MainFormRig rig;
    rig.form->Tray().SetHostProbe([host] { return host; });
    QVERIFY(!rig.form->isVisible());
    rig.form->KeepReachable();
    QCOMPARE(rig.form->isVisible(), !host);
    QCOMPARE(rig.form->isMinimized(), !host);
  }

  // Where the window manager cannot move it (as here), the window follows the mouse by hand.
  void titleAndBottomBarsMoveTheWindow_data() {
    QTest::addColumn<QString>("part");
    for (const char* part : {"Image3", "Label14", "Image6", "Label11"}) QTest::newRow(part) << part;
  }
  void titleAndBottomBarsMoveTheWindow() {
    QFETCH(QString, part);
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
      QSKIP("a window manager moves the window after the real pointer, not after test events");
    }
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    rig.form->move(100, 100);
    QWidget* grip = rig.find<QWidget>(part.toLatin1().constData());
    const QPoint start(4, 4);
    QTest::mousePress(grip, Qt::LeftButton, {}, start);
    QTest::mouseMove(grip, start + QPoint(40, 20));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, start + QPoint(40, 20));
    QTRY_COMPARE(rig.form->pos(), QPoint(140, 120));
  }

  void trayClickTogglesTheWindowAndItsMenuShowsIt() {
    MainFormRig rig;
    rig.form->Tray().SetHostProbe([] { return true; });  // a click comes from a host
    QSystemTrayIcon* icon = rig.form->Tray().CoolTrayIcon();
    QVERIFY(!rig.form->isVisible());
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    QVERIFY(rig.form->isVisible());
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!rig.form->isVisible());
    Q_EMIT icon->activated(QSystemTrayIcon::Context);  // the menu's click, not a toggle
    QVERIFY(!rig.form->isVisible());

    QMenu* menu = rig.form->Tray().PopupMenu();
    QStringList texts;
    for (QAction* item : menu->actions()) texts << (item->isSeparator() ? "-" : item->text());
    QCOMPARE(texts, (QStringList{"MainForm(&M)", "-", "Visit Kelbrin(&W)", "About (&A)...", "-",
                                 "Quit (&X)"}));
    menu->findChild<QAction*>("TrayMainForm")->trigger();
    QVERIFY(rig.form->isVisible());
    menu->findChild<QAction*>("TrayMainForm")->trigger();  // already showing: stays
    QVERIFY(rig.form->isVisible());
  }

  void quitRunsTheExitActionOfTheRunMode() {
    MainFormRig rig;
    int exits = 0;
    rig.exitAction = [&exits] { ++exits; };
    rig.form->Tray().PopupMenu()->findChild<QAction*>("TrayQuit")->trigger();
    action(rig, "ActionExitZorvan_TIM")->trigger();
    QCOMPARE(exits, 2);
  }

  void advancedServicePageWhileLoggedOutKeepsTheBrowser() {
    MainFormRig rig;
    rig.form->show();
    rig.form->SetActivePage(TMainForm::kServicePage);
    auto* page = rig.form->findChild<kelbrin::gui::AdvancedServicePage*>("TabSheet4");
    QVERIFY(page->WebBrowser1Url().isEmpty());
    QVERIFY(!rig.find<QPushButton>("WebBrowser1Open")->isEnabled());
    QCOMPARE(rig.find<QWidget>("WebBrowser1")->toolTip(), kSite + "/client/advservice.asp");
  }

  // The page's address carries the password: after a logout it is neither shown nor opened.
  void advancedServicePageForgetsTheAccountAtLogout() {
    kelbrin::test::ReferenceService service;
    MainFormRig rig(service.endpoint());
    QVERIFY(kelbrin::gui::test::LogIn(rig, "demo01", "demo-pass"));
    rig.form->SetActivePage(TMainForm::kServicePage);
    auto* open = rig.find<QPushButton>("WebBrowser1Open");
    QTRY_VERIFY(open->isEnabled());
    click(open);
    QCOMPARE(rig.opened.size(), 1);
    QVERIFY(rig.opened[0].contains("password=demo-pass"));

    // Logged out while the page shows: the button no longer opens the old address.
    rig.controller->BtnLogonClick();
    QTRY_COMPARE(rig.controller->Mark(), 0);
    click(open);
    QCOMPARE(rig.opened.size(), 1);
    QVERIFY(!open->isEnabled());
    // Shown again later: nothing of the account is left.
    rig.form->SetActivePage(TMainForm::kStatePage);
    rig.form->SetActivePage(TMainForm::kServicePage);
    auto* page = rig.form->findChild<kelbrin::gui::AdvancedServicePage*>("TabSheet4");
    QVERIFY(page->WebBrowser1Url().isEmpty());
  }

  // A mistyped password never replaces the saved one: not while the refusal's box is up, not
  // after OK. The right password typed next is saved, and the next start logs in with it.
  void aRefusedPasswordIsNeverSaved() {
    kelbrin::test::ReferenceService service;
    MemorySettingsBackend store;
    store.values = {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}};
    {
      MainFormRig rig(service.endpoint(), &store);
      rig.presenter.holdErrorBoxes = true;
      QTRY_COMPARE(rig.controller->Mark(), 1);  // the saved account logs in by itself
      rig.form->ShowFromTray();
      click(rig.find<QPushButton>("BtnLogon"));  // log out
      QTRY_COMPARE(rig.controller->Mark(), 0);
      const std::string afterLogout = store.values["UserPwd"];

      auto* pwd = rig.find<QLineEdit>("EditPassword");
      pwd->clear();
      QTest::keyClicks(pwd, QStringLiteral("demo-pasz"));
      QTest::keyClick(pwd, Qt::Key_Return);
      QTRY_COMPARE(rig.presenter.openErrorBoxes.size(), std::size_t{1});
      QCOMPARE(rig.presenter.Count("error", "Error", "Password failure！"), 1);
      QCOMPARE(store.values["UserPwd"], afterLogout);
      rig.presenter.CloseErrorBoxes();  // OK
      QTRY_VERIFY(rig.find<QPushButton>("BtnLogon")->isEnabled());
      QCOMPARE(store.values["UserPwd"], afterLogout);
      QCOMPARE(store.values["UserName"], std::string("demo01"));

      // A Save of the settings with the refused password still in the field keeps it out too.
      click(rig.find<QCheckBox>("ChkBoxSavePwd"));
      click(rig.find<QCheckBox>("ChkBoxSavePwd"));
      QCOMPARE(store.values["SavePwd"], std::string("1"));
      QCOMPARE(store.values["UserPwd"], afterLogout);

      pwd->clear();
      QTest::keyClicks(pwd, QStringLiteral("demo-pass"));
      QTest::keyClick(pwd, Qt::Key_Return);
      QTRY_COMPARE(rig.controller->Mark(), 1);
      QCOMPARE(store.values["UserPwd"], std::string("demo-pass"));
    }
    service.reset();
    MainFormRig next(service.endpoint(), &store);
    // The service takes demo01 only with demo-pass.
    QTRY_COMPARE(next.controller->Mark(), 1);
    QCOMPARE(service.countRequests("QueryUserProfileReq"), 1);
  }

  // The reminder dialog belongs to the main window and opens centred on it.
  void remindSettingOpensTheReminderDialog() {
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    rig.form->move(40, 30);
    bool shown = false;
    QWidget* owner = nullptr;
    QPoint centre;
    QTimer::singleShot(0, this, [&] {
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == "TLoopEventFrm" && window->isVisible()) {
          shown = true;
          owner = window->parentWidget();
          centre = window->frameGeometry().center();
          static_cast<QDialog*>(window)->reject();
        }
      }
    });
    action(rig, "ActionAlertSetup")->trigger();
    QVERIFY(shown);
    QCOMPARE(owner, rig.form.get());
    const QPoint formCentre = rig.form->frameGeometry().center();
    QVERIFY2((centre - formCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("dialog centre %1,%2, window centre %3,%4")
                            .arg(centre.x())
                            .arg(centre.y())
                            .arg(formCentre.x())
                            .arg(formCentre.y())));
  }

  void screenshotsOfEveryPage() {
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    rig.find<QLineEdit>("EditUserName")->setText("demo01");
    const char* const names[] = {"main-window-state.png", "main-window-network.png",
                                 "main-window-domain.png", "main-window-service.png",
                                 "main-window-log.png"};
    for (int page = 0; page < PageButtonRow::kPageCount; ++page) {
      rig.form->SetActivePage(page);
      QCoreApplication::processEvents();
      keepScreenshot(rig.form->grab().toImage(), names[page]);
    }
  }
};

QTEST_MAIN(TestMainForm)
#include "test_main_form.moc"
