#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <random>

#include "MainFormFixture.h"
#include "ReferenceService.h"
#include "TempDir.h"
#include "platform/files/Autostart.h"
#include "platform/systemd/ServiceManager.h"
#include "settings/PubUtil.h"

using kelbrin::gui::test::LogIn;
using kelbrin::gui::test::MainFormRig;
using kelbrin::gui::test::MemorySettingsBackend;
namespace settings = kelbrin::settings;

namespace {

constexpr const char* kSavePwdRequired =
    "info|Tip|The save option must be checked since the auto-start  be checked!！";
constexpr const char* kStartupIgnored =
    "info|Tip|AS you have checked the service option ,this choice is ignored！";

struct Boxes {
  bool savePwd;
  bool startup;
  bool runAsService;
};

Boxes boxesOf(const MainFormRig& rig) {
  return {rig.find<QCheckBox>("ChkBoxSavePwd")->isChecked(),
          rig.find<QCheckBox>("ChkBoxStartup")->isChecked(),
          rig.find<QCheckBox>("ChkBoxRunAsService")->isChecked()};
}

// On the box's square: a check box only reacts to a click on its square or its text.
void clickBox(QCheckBox* box) {
  QVERIFY(box);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

QString describe(const Boxes& boxes) {
  return QStringLiteral("save=%1 startup=%2 service=%3")
      .arg(boxes.savePwd)
      .arg(boxes.startup)
      .arg(boxes.runAsService);
}

}  // namespace

class TestSettingsBoxes : public QObject {
  Q_OBJECT

  kelbrin::test::TempDir dir_;
  std::unique_ptr<kelbrin::test::ReferenceService> service_;

  std::string endpoint() const { return service_->endpoint(); }

 private Q_SLOTS:
  void initTestCase() {
    settings::SetConfigRoot(dir_ / "config");
    kelbrin::test::ReferenceService::Options options;
    options.logFile = dir_ / "service.log";
    service_ = std::make_unique<kelbrin::test::ReferenceService>(options);
  }

  // One click on a box, from a state the user can reach, and everything it leads to.
  void clickRules_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("before");  // bits: 1 save, 2 startup, 4 service
    QTest::addColumn<bool>("serviceActionWorks");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("effect");  // the box or notification it shows, if any
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("serviceCall");

    QTest::newRow("clearing save under autorun is refused")
        << "ChkBoxSavePwd" << 3 << true << 3 << kSavePwdRequired << false << "";
    QTest::newRow("clearing save under service is refused")
        << "ChkBoxSavePwd" << 5 << true << 5 << kSavePwdRequired << false << "";
    QTest::newRow("clearing save alone") << "ChkBoxSavePwd" << 1 << true << 0 << "" << true << "";
    QTest::newRow("checking save") << "ChkBoxSavePwd" << 0 << true << 1 << "" << true << "";
    QTest::newRow("checking autorun checks save")
        << "ChkBoxStartup" << 0 << true << 3
        << "popup|Hint|The system will be start together with OS！" << true << "";
    QTest::newRow("clearing autorun") << "ChkBoxStartup" << 3 << true << 1 << "" << true << "";
    QTest::newRow("autorun under service is refused")
        << "ChkBoxStartup" << 5 << true << 5 << kStartupIgnored << false << "";
    QTest::newRow("service replaces autorun")
        << "ChkBoxRunAsService" << 3 << true << 5 << "popup|Hint|load as WindowNT service！" << true
        << "install";
    QTest::newRow("service checks save")
        << "ChkBoxRunAsService" << 0 << true << 5 << "popup|Hint|load as WindowNT service！" << true
        << "install";
    QTest::newRow("failed install puts every box back and saves nothing")
        << "ChkBoxRunAsService" << 0 << false << 0 << "" << false << "install";
    QTest::newRow("failed install keeps autorun")
        << "ChkBoxRunAsService" << 3 << false << 3 << "" << false << "install";
    QTest::newRow("clearing service uninstalls without saving")
        << "ChkBoxRunAsService" << 5 << true << 1 << "popup|Hint|unload WindowNT service！" << false
        << "uninstall";
    QTest::newRow("failed uninstall keeps the box")
        << "ChkBoxRunAsService" << 5 << false << 5 << "" << false << "uninstall";
  }
  void clickRules() {
    QFETCH(QString, box);
    QFETCH(int, before);
    QFETCH(bool, serviceActionWorks);
    QFETCH(int, after);
    QFETCH(QString, effect);
    QFETCH(bool, saved);
    QFETCH(QString, serviceCall);

    MainFormRig rig(endpoint());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    QStringList serviceCalls;
    rig.installService = [&](const auto& done) {
      serviceCalls << "install";
      done(serviceActionWorks);
    };
    rig.uninstallService = [&](const auto& done) {
      serviceCalls << "uninstall";
      done(serviceActionWorks);
    };
    rig.controller->SetChkBoxSavePwd(before & 1);
    rig.controller->SetChkBoxStartup(before & 2);
    rig.controller->SetChkBoxRunAsService(before & 4);
    rig.controller->SaveSettings();
    const auto storedBefore = rig.backend.values;
    rig.presenter.effects.clear();

    clickBox(rig.find<QCheckBox>(box.toLatin1().constData()));

    const Boxes boxes = boxesOf(rig);
    QCOMPARE(describe(boxes), describe({(after & 1) != 0, (after & 2) != 0, (after & 4) != 0}));
    // The controller holds what the boxes show.
    const kelbrin::session::SessionView& view = rig.controller->View();
    QCOMPARE(describe({view.ChkBoxSavePwd, view.ChkBoxStartup, view.ChkBoxRunAsService}),
             describe(boxes));
    QCOMPARE(serviceCalls, serviceCall.isEmpty() ? QStringList() : QStringList{serviceCall});
    QStringList shown;
    for (const auto& e : rig.presenter.effects) {
      if (e.kind == "info" || e.kind == "popup") shown << QString::fromStdString(e.Line());
    }
    QCOMPARE(shown, effect.isEmpty() ? QStringList() : QStringList{effect});
    if (saved) {
      QCOMPARE(rig.backend.values["SavePwd"], std::string(boxes.savePwd ? "1" : "0"));
      QCOMPARE(rig.backend.values["AutoRunAsOSStart"], std::string(boxes.startup ? "1" : "0"));
      QCOMPARE(rig.backend.values["AsService"], std::string(boxes.runAsService ? "1" : "0"));
      QCOMPARE(rig.backend.autorun, boxes.startup);
    } else {
      QVERIFY(rig.backend.values == storedBefore);
    }
  }

  // Whatever the user clicks, service and autorun are never both chosen, either one brings the
  // saved password along, and the autostart entry follows the last saved autorun choice.
  void invariantsHoldForAnyClicks() {
    MainFormRig rig(endpoint());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    rig.installService = [](const auto& done) { done(true); };
    rig.uninstallService = [](const auto& done) { done(true); };
    std::mt19937 random(20260101);
    const char* const names[] = {"ChkBoxSavePwd", "ChkBoxStartup", "ChkBoxRunAsService"};
    QStringList clicks;
    for (int step = 0; step < 80; ++step) {
      const char* name = names[random() % 3];
      clicks << name;
      clickBox(rig.find<QCheckBox>(name));
      const Boxes boxes = boxesOf(rig);
      const QByteArray where = clicks.join(' ').toLatin1();
      QVERIFY2(!(boxes.startup && boxes.runAsService), where.constData());
      QVERIFY2(!(boxes.startup || boxes.runAsService) || boxes.savePwd, where.constData());
      QVERIFY2(rig.backend.autorun == (rig.backend.values["AutoRunAsOSStart"] == "1"),
               where.constData());
    }
  }

  // The setup takes its time (authentication, the setup process): until it has ended the boxes
  // hold what the click asked for, cannot be clicked, and nothing is saved; then its outcome
  // decides.
  void aServiceSetupHoldsTheBoxesUntilItEnds_data() {
    QTest::addColumn<bool>("install");
    QTest::addColumn<bool>("works");
    QTest::addColumn<int>("after");  // bits: 1 save, 2 startup, 4 service
    QTest::addColumn<bool>("saved");
    QTest::newRow("install works") << true << true << 5 << true;
    QTest::newRow("install fails or is cancelled") << true << false << 3 << false;
    QTest::newRow("uninstall works") << false << true << 1 << false;
    QTest::newRow("uninstall fails") << false << false << 5 << false;
  }
  void aServiceSetupHoldsTheBoxesUntilItEnds() {
    QFETCH(bool, install);
    QFETCH(bool, works);
    QFETCH(int, after);
    QFETCH(bool, saved);
    MainFormRig rig(endpoint());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    kelbrin::gui::SettingsBoxes::ServiceOutcome pending;
    const auto hold = [&pending](kelbrin::gui::SettingsBoxes::ServiceOutcome done) {
      pending = std::move(done);
    };
    rig.installService = hold;
    rig.uninstallService = hold;
    rig.controller->SetChkBoxSavePwd(true);
    rig.controller->SetChkBoxStartup(install);
    rig.controller->SetChkBoxRunAsService(!install);
    rig.controller->SaveSettings();
    const auto storedBefore = rig.backend.values;
    const int clickedBoxes = install ? 5 : 1;

    clickBox(rig.find<QCheckBox>("ChkBoxRunAsService"));
    QVERIFY(pending);
    const auto expect = [&](int bits) {
      return describe({(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0});
    };
    QCOMPARE(describe(boxesOf(rig)), expect(clickedBoxes));
    for (const char* name : {"ChkBoxSavePwd", "ChkBoxStartup", "ChkBoxRunAsService"}) {
      QVERIFY2(!rig.find<QCheckBox>(name)->isEnabled(), name);
    }
    // A change of the session's view meanwhile leaves the held boxes alone.
    rig.controller->SetEditUserName("demo01");
    QCOMPARE(describe(boxesOf(rig)), expect(clickedBoxes));
    QVERIFY(rig.backend.values == storedBefore);

    pending(works);
    QCOMPARE(describe(boxesOf(rig)), expect(after));
    const kelbrin::session::SessionView& view = rig.controller->View();
    QCOMPARE(describe({view.ChkBoxSavePwd, view.ChkBoxStartup, view.ChkBoxRunAsService}),
             expect(after));
    for (const char* name : {"ChkBoxSavePwd", "ChkBoxStartup", "ChkBoxRunAsService"}) {
      QVERIFY2(rig.find<QCheckBox>(name)->isEnabled(), name);
    }
    if (saved) {
      QCOMPARE(rig.backend.values["AsService"], std::string("1"));
      QCOMPARE(rig.backend.values["AutoRunAsOSStart"], std::string("0"));
    } else {
      QVERIFY(rig.backend.values == storedBefore);
    }
  }

  void updateSysInfoBoxSaves() {
    MainFormRig rig;
    QCOMPARE(rig.backend.values.count("UpdateSysInfo"), 0u);
    rig.form->show();
    rig.form->SetActivePage(kelbrin::gui::TMainForm::kServicePage);
    auto* box = rig.find<QCheckBox>("suiCheckBoxUpdateSysInfo");
    QVERIFY(box->isChecked());
    clickBox(box);
    QCOMPARE(rig.backend.values["UpdateSysInfo"], std::string("0"));
    QVERIFY(!rig.controller->View().suiCheckBoxUpdateSysInfo);
  }

  // The autorun and service boxes only work while logged in.
  void startupAndServiceBoxesFollowTheSession() {
    MainFormRig rig(endpoint());
    QVERIFY(!rig.find<QCheckBox>("ChkBoxStartup")->isEnabled());
    QVERIFY(!rig.find<QCheckBox>("ChkBoxRunAsService")->isEnabled());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    QVERIFY(rig.find<QCheckBox>("ChkBoxStartup")->isEnabled());
    QVERIFY(rig.find<QCheckBox>("ChkBoxRunAsService")->isEnabled());
    QTest::mouseClick(rig.find<QPushButton>("BtnLogon"), Qt::LeftButton);
    QTRY_COMPARE(rig.controller->Mark(), 0);
    QVERIFY(!rig.find<QCheckBox>("ChkBoxStartup")->isEnabled());
    QVERIFY(!rig.find<QCheckBox>("ChkBoxRunAsService")->isEnabled());
  }

  // LoadSettings: what the controls show for what the store holds.
  void controlsShowTheLoadedSettings_data() {
    QTest::addColumn<QStringList>("stored");  // name=value pairs
    QTest::addColumn<bool>("serviceInstalled");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("boxes");  // bits: 1 save, 2 startup, 4 service, 8 update sys info

    QTest::newRow("empty store") << QStringList() << false << ""
                                 << "" << 8;
    QTest::newRow("saved password")
        << QStringList{"UserName=demo01", "UserPwd=demo-pass", "SavePwd=1", "AutoRunAsOSStart=1"}
        << false << "demo01"
        << "demo-pass" << (1 | 2 | 8);
    QTest::newRow("unsaved password stays out of the box")
        << QStringList{"UserName=demo01", "UserPwd=demo-pass", "SavePwd=0"} << false << "demo01"
        << "" << 8;
    QTest::newRow("nothing to save forces save off") << QStringList{"SavePwd=1"} << false << ""
                                                     << "" << 8;
    QTest::newRow("update sys info other than 1 or empty")
        << QStringList{"UpdateSysInfo=2"} << false << ""
        << "" << 0;
    QTest::newRow("service from the service manager only")
        << QStringList{"AsService=0"} << true << ""
        << "" << (4 | 8);
    QTest::newRow("stored service flag plays no part") << QStringList{"AsService=1"} << false << ""
                                                       << "" << 8;
  }
  void controlsShowTheLoadedSettings() {
    QFETCH(QStringList, stored);
    QFETCH(bool, serviceInstalled);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, boxes);
    MemorySettingsBackend store;
    for (const QString& pair : stored) {
      const qsizetype eq = pair.indexOf('=');
      store.values[pair.left(eq).toStdString()] = pair.mid(eq + 1).toStdString();
    }
    store.serviceInstalled = serviceInstalled;
    MainFormRig rig("http://127.0.0.1:9/pelmar/pelmar.dll/", &store);
    QCOMPARE(rig.find<QLineEdit>("EditUserName")->text(), user);
    QCOMPARE(rig.find<QLineEdit>("EditPassword")->text(), password);
    QCOMPARE(rig.find<QCheckBox>("ChkBoxSavePwd")->isChecked(), (boxes & 1) != 0);
    QCOMPARE(rig.find<QCheckBox>("ChkBoxStartup")->isChecked(), (boxes & 2) != 0);
    QCOMPARE(rig.find<QCheckBox>("ChkBoxRunAsService")->isChecked(), (boxes & 4) != 0);
    QCOMPARE(rig.find<QCheckBox>("suiCheckBoxUpdateSysInfo")->isChecked(), (boxes & 8) != 0);
  }

  // A fresh machine with the real store: nothing stored, the defaults on the controls, and the
  // autostart entry written and removed as the box says.
  void freshStoreAndTheAutostartEntry() {
    kelbrin::test::TempDir fresh;
    settings::SetConfigRoot(fresh / "config");
    kelbrin::platform::SetAutostartFolder(fresh / "autostart");
    {
      MainFormRig rig(endpoint(), &settings::SystemSettingsBackend());
      QCOMPARE(rig.find<QLineEdit>("EditUserName")->text(), QString());
      QCOMPARE(rig.find<QLineEdit>("EditPassword")->text(), QString());
      QVERIFY(!rig.find<QCheckBox>("ChkBoxSavePwd")->isChecked());
      QVERIFY(!rig.find<QCheckBox>("ChkBoxStartup")->isChecked());
      QVERIFY(rig.find<QCheckBox>("suiCheckBoxUpdateSysInfo")->isChecked());
      QCOMPARE(rig.find<QCheckBox>("ChkBoxRunAsService")->isChecked(),
               kelbrin::platform::IsServiceInstalled("PROKelbrinService"));
      QVERIFY(!std::filesystem::exists(kelbrin::platform::AutostartEntryPath()));

      QVERIFY(LogIn(rig, "demo01", "demo-pass"));
      rig.installService = [](const auto& done) { done(true); };
      rig.uninstallService = [](const auto& done) { done(true); };
      clickBox(rig.find<QCheckBox>("ChkBoxStartup"));
      QVERIFY(std::filesystem::exists(kelbrin::platform::AutostartEntryPath()));
      QCOMPARE(settings::TPubUtil::ReadRegString("AutoRunAsOSStart"), std::string("1"));
      QCOMPARE(settings::TPubUtil::ReadRegString("UserName"), std::string("demo01"));
      clickBox(rig.find<QCheckBox>("ChkBoxStartup"));
      QVERIFY(!std::filesystem::exists(kelbrin::platform::AutostartEntryPath()));
      QCOMPARE(settings::TPubUtil::ReadRegString("AutoRunAsOSStart"), std::string("0"));
    }
    kelbrin::platform::SetAutostartFolder({});
    settings::SetConfigRoot(dir_ / "config");
  }
};

QTEST_MAIN(TestSettingsBoxes)
#include "test_settings_boxes.moc"
