#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QtTest>
#include <fstream>

#include "LocalHttpServer.h"
#include "MainFormFixture.h"
#include "ReferenceService.h"
#include "Screenshot.h"
#include "TempDir.h"
#include "TestAccounts.h"
#include "gui/AdvancedServicePage.h"
#include "gui/BannerPanel.h"
#include "gui/TrayIcon.h"
#include "settings/PubUtil.h"

using kelbrin::gui::TMainForm;
using kelbrin::gui::test::LogIn;
using kelbrin::gui::test::MainFormRig;
using kelbrin::gui::test::MemorySettingsBackend;

namespace {

QString text(const MainFormRig& rig, const char* label) { return rig.find<QLabel>(label)->text(); }

// Where nothing listens: the armed auto-logon's attempts fail and it stays armed.
std::string RefusedUrl() {
  return "http://127.0.0.1:" + std::to_string(kelbrin::test::LocalHttpServer::closedPort()) +
         "/pelmar/pelmar.dll/";
}

// A store with the password saved: the session starts with the auto-logon armed.
MemorySettingsBackend SavedPassword() {
  MemorySettingsBackend store;
  store.values = {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}};
  return store;
}

// What the controller holds for the edit named `edit`.
QString ControllerText(const MainFormRig& rig, const QString& edit) {
  const auto& view = rig.controller->View();
  return QString::fromStdString(edit == "EditUserName" ? view.EditUserName : view.EditPassword);
}

}  // namespace

class TestStatePage : public QObject {
  Q_OBJECT

  kelbrin::test::TempDir dir_;
  std::unique_ptr<kelbrin::test::ReferenceService> service_;

  std::string endpoint() const { return service_->endpoint(); }

 private Q_SLOTS:
  void initTestCase() {
    kelbrin::settings::SetConfigRoot(dir_ / "config");
    std::ofstream(dir_ / "accounts.xml") << kelbrin::test::kTestAccounts;
    kelbrin::test::ReferenceService::Options options;
    options.dataFile = dir_ / "accounts.xml";
    options.logFile = dir_ / "service.log";
    service_ = std::make_unique<kelbrin::test::ReferenceService>(options);
  }

  void init() { service_->reset(); }

  void showsTheAccountAfterLoginAndClearsItAtLogout() {
    MainFormRig rig(endpoint());
    const int bannerStarts = rig.find<kelbrin::gui::BannerPanel>("Panel5")->Starts();
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    QTRY_COMPARE(text(rig, "Label28"), QString("100001"));
    QCOMPARE(text(rig, "Label25"), QString("Normal"));
    QCOMPARE(text(rig, "Label26"), QString("Formal user"));
    QCOMPARE(text(rig, "Label29"), QString("Glory lifetime user"));
    QVERIFY(rig.find<QWidget>("Image1")->isHidden());
    QVERIFY(rig.find<QWidget>("labFKXZUrl")->isHidden());
    QCOMPARE(rig.find<QPushButton>("BtnLogon")->text(), QString("Logout"));
    QVERIFY(!rig.find<QLineEdit>("EditUserName")->isEnabled());
    QVERIFY(!rig.find<QLineEdit>("EditPassword")->isEnabled());
    QCOMPARE(rig.form->Tray().IconIndex(), kelbrin::gui::TrayIcon::kOnlineIcon);
    QCOMPARE(rig.form->Tray().Hint(), QString("Kelbrin client V6.0 -- Online"));
    QCOMPARE(rig.find<kelbrin::gui::BannerPanel>("Panel5")->Starts(), bannerStarts + 1);
    QCOMPARE(rig.presenter.Count("popup|Hint|Congradulation！"), 1);
    QCoreApplication::processEvents();
    keepScreenshot(rig.form->grab().toImage(), "main-window-online.png");

    // The menu now offers Cancel, not Login; Cancel logs out.
    QAction* login = rig.find<QAction>("Action2");
    QAction* cancel = rig.find<QAction>("Action3");
    Q_EMIT qobject_cast<QMenu*>(cancel->parent())->aboutToShow();
    QVERIFY(!login->isEnabled());
    QVERIFY(cancel->isEnabled());
    cancel->trigger();
    QCOMPARE(rig.controller->Mark(), 0);
    QCOMPARE(rig.find<QPushButton>("BtnLogon")->text(), QString("Login"));
    QVERIFY(rig.find<QLineEdit>("EditUserName")->isEnabled());
    for (const char* label : {"Label25", "Label26", "Label27", "Label28", "Label29"}) {
      QVERIFY2(text(rig, label).isEmpty(), label);
    }
    QVERIFY(rig.find<QWidget>("Image1")->isHidden());
    QCOMPARE(rig.form->Tray().IconIndex(), 0);
    QCOMPARE(rig.form->Tray().Hint(), QString("Kelbrin client V6.0 -- Logout"));
    QCOMPARE(rig.backend.values["UserPwd"], std::string());
  }

  void oldDeadlineShowsItsDateAndThePaymentNotice() {
    MainFormRig rig(endpoint());
    QVERIFY(LogIn(rig, "old01", "old-pass"));
    QTRY_COMPARE(text(rig, "Label29"), QString("2015-12-31"));
    QCOMPARE(text(rig, "Label26"), QString("Trial user"));
    QVERIFY(!rig.find<QWidget>("Image1")->isHidden());
    QVERIFY(!rig.find<QWidget>("labFKXZUrl")->isHidden());

    // The notice leaves with the deadline it belongs to.
    rig.find<QPushButton>("BtnLogon")->click();
    QTRY_COMPARE(rig.controller->Mark(), 0);
    QVERIFY(text(rig, "Label29").isEmpty());
    QVERIFY(rig.find<QWidget>("Image1")->isHidden());
    QVERIFY(rig.find<QWidget>("labFKXZUrl")->isHidden());
  }

  // While the active tests go unanswered the tray says so, with the online icon dimmed; the next
  // answer brings Online back, and neither turn replays the banner of a login.
  void trayShowsTheConnectionFailingAndItsReturn() {
    MainFormRig rig(endpoint());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    kelbrin::gui::TrayIcon& tray = rig.form->Tray();
    const qint64 onlineLook = tray.CoolTrayIcon()->icon().cacheKey();
    const int bannerStarts = rig.find<kelbrin::gui::BannerPanel>("Panel5")->Starts();

    rig.controller->OnActiveTestAnswered(false);
    QCOMPARE(tray.Hint(), QString("Kelbrin client V6.0 -- Connection fails！"));
    QCOMPARE(tray.IconIndex(), kelbrin::gui::TrayIcon::kConnectionFailsIcon);
    QVERIFY(tray.CoolTrayIcon()->icon().cacheKey() != onlineLook);
    QCOMPARE(rig.find<QPushButton>("BtnLogon")->text(), QString("Logout"));

    rig.controller->OnActiveTestAnswered(true);
    QCOMPARE(tray.Hint(), QString("Kelbrin client V6.0 -- Online"));
    QCOMPARE(tray.IconIndex(), kelbrin::gui::TrayIcon::kOnlineIcon);
    QCOMPARE(rig.find<kelbrin::gui::BannerPanel>("Panel5")->Starts(), bannerStarts);
  }

  void enterInThePasswordLogsInAndMenuLoginSwitchesToTheFirstPage() {
    MainFormRig rig(endpoint());
    rig.form->ShowFromTray();
    QTest::keyClicks(rig.find<QLineEdit>("EditUserName"), "demo01");
    QTest::keyClicks(rig.find<QLineEdit>("EditPassword"), "demo-pass");
    QTest::keyClick(rig.find<QLineEdit>("EditPassword"), Qt::Key_Return);
    QVERIFY(!rig.find<QPushButton>("BtnLogon")->isEnabled());  // busy while the login runs
    QTRY_COMPARE(rig.controller->Mark(), 1);
    QVERIFY(rig.find<QPushButton>("BtnLogon")->isEnabled());
    rig.find<QAction>("Action3")->trigger();
    QCOMPARE(rig.controller->Mark(), 0);

    rig.form->SetActivePage(TMainForm::kLogPage);
    rig.find<QAction>("Action2")->trigger();
    QCOMPARE(rig.form->ActivePage(), int(TMainForm::kStatePage));
    QTRY_COMPARE(rig.controller->Mark(), 1);
  }

  void refusedInputFocusesTheEditToFix_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("focused");
    QTest::newRow("short password") << "demo01"
                                    << " ab "
                                    << "EditPassword";
    QTest::newRow("no user name") << "  "
                                  << "demo-pass"
                                  << "EditUserName";
  }
  void refusedInputFocusesTheEditToFix() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, focused);
    MainFormRig rig(endpoint());
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    QTest::keyClicks(rig.find<QLineEdit>("EditUserName"), user);
    QTest::keyClicks(rig.find<QLineEdit>("EditPassword"), password);
    rig.find<QPushButton>("BtnLogon")->setFocus();
    QTest::mouseClick(rig.find<QPushButton>("BtnLogon"), Qt::LeftButton);
    QCOMPARE(rig.presenter.Count("popup|Tip|Please type a valid name and password！"), 1);
    QVERIFY(rig.find<QLineEdit>(focused.toLatin1().constData())->hasFocus());
    QCOMPARE(service_->countRequests("QueryUserProfileReq"), 0);
  }

  // Whatever brought the focus into the edit, what the user types there stops the auto-logon:
  // a click, or the window coming back with the focus still in the edit (which alone does not).
  void typingIntoAnEditStopsTheAutoLogon_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("byClick");
    for (const char* edit : {"EditUserName", "EditPassword"}) {
      QTest::addRow("%s, clicked", edit) << edit << true;
      QTest::addRow("%s, focus back with the window", edit) << edit << false;
    }
  }
  void typingIntoAnEditStopsTheAutoLogon() {
    QFETCH(QString, edit);
    QFETCH(bool, byClick);
    MemorySettingsBackend store = SavedPassword();
    MainFormRig rig(RefusedUrl(), &store);
    QVERIFY(rig.controller->AutoLogonArmed());
    auto* target = rig.find<QLineEdit>(edit.toLatin1().constData());
    // The window is hidden: the focus set now arrives with the window's activation.
    if (byClick) {
      rig.find<QPushButton>("BtnLogon")->setFocus();
    } else {
      target->setFocus();
    }
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    QVERIFY2(rig.controller->AutoLogonArmed(), "the window's activation alone must not disarm");
    if (byClick) QTest::mouseClick(target, Qt::LeftButton);
    QVERIFY(target->hasFocus());

    QTest::keyClicks(target, "9");
    QVERIFY2(!rig.controller->AutoLogonArmed(), "the edit left the auto-logon armed");
    QVERIFY(target->text().endsWith('9'));
    QCOMPARE(ControllerText(rig, edit), target->text());
    QCOMPARE(rig.controller->Mark(), 0);
  }

  void advancedServicePageCarriesTheEscapedAccount() {
    MainFormRig rig(endpoint());
    QVERIFY(LogIn(rig, "a b&c#", "p=1+2%"));
    rig.form->SetActivePage(TMainForm::kServicePage);
    auto* page = rig.form->findChild<kelbrin::gui::AdvancedServicePage*>("TabSheet4");
    QCOMPARE(page->WebBrowser1Url(),
             QString("http://" KELBRIN_TEST_SERVICE_HOST
                     "/client/advservice.asp?username=a%20b%26c%23&password=p%3D1%2B2%25"));
    QCoreApplication::processEvents();
    keepScreenshot(rig.form->grab().toImage(), "main-window-service-online.png");
    rig.opened.clear();
    QTest::mouseClick(rig.find<QPushButton>("WebBrowser1Open"), Qt::LeftButton);
    QCOMPARE(rig.opened, QStringList{page->WebBrowser1Url()});

    // After a logout the page forgets the address: it carries the logged-off account's password.
    rig.find<QAction>("Action3")->trigger();
    rig.form->SetActivePage(TMainForm::kStatePage);
    rig.form->SetActivePage(TMainForm::kServicePage);
    QVERIFY(page->WebBrowser1Url().isEmpty());
    QVERIFY(!rig.find<QPushButton>("WebBrowser1Open")->isEnabled());
  }

  void theLogPageShowsTheSessionsLog() {
    MainFormRig rig(endpoint());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    rig.form->SetActivePage(TMainForm::kLogPage);
    auto* list = rig.find<QAbstractItemView>("ListViewLog");
    QVERIFY(list);
    QTRY_VERIFY(list->model()->rowCount() >= 1);
    QCOMPARE(list->model()->index(0, 1).data().toString(), QString("Congradulation！"));
  }
};

QTEST_MAIN(TestStatePage)
#include "test_state_page.moc"
