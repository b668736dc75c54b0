#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "LocalHttpServer.h"
#include "MainFormFixture.h"
#include "NetNamespace.h"
#include "ScopedEnv.h"
#include "Screenshot.h"
#include "TempDir.h"
#include "gui/DesktopPresenter.h"
#include "gui/LinkLabel.h"
#include "gui/NetworkPage.h"
#include "gui/ShellOpen.h"
#include "lines/TLineFactory.h"
#include "settings/ParamInfo.h"

using kelbrin::gui::NetworkPage;
using kelbrin::gui::TMainForm;
using kelbrin::gui::test::MainFormRig;

namespace {

// The calling thread in a network namespace of its own, with one more interface (one end of a
// veth pair, up, with an address), until the end of the scope. Needs root.
class OwnNetwork {
 public:
  static constexpr const char* kInterface = "kw0";

  OwnNetwork() : home_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
    if (home_ < 0 || ::unshare(CLONE_NEWNET) != 0) return;
    using kelbrin::test::NetNamespace;
    usable_ =
        NetNamespace::Ip({"link", "set", "lo", "up"}) &&
        NetNamespace::Ip({"link", "add", kInterface, "type", "veth", "peer", "name", "kw1"}) &&
        NetNamespace::Ip({"addr", "add", "10.89.0.2/24", "dev", kInterface}) &&
        NetNamespace::Ip({"link", "set", kInterface, "up"}) &&
        NetNamespace::Ip({"link", "set", "kw1", "up"});
  }
  ~OwnNetwork() {
    if (home_ < 0) return;
    ::setns(home_, CLONE_NEWNET);
    ::close(home_);
  }
  OwnNetwork(const OwnNetwork&) = delete;
  OwnNetwork& operator=(const OwnNetwork&) = delete;

  bool Usable() const { return usable_; }

 private:
  int home_;
  bool usable_ = false;
};

const QString kLanTip = QStringLiteral(
    "IP is the LAN one,that means ,you have to map ports of the outer gateway to the host.");
const QString kValidTip = QStringLiteral("Your IP is valid,and you enjoy Kelbrin services!");
const QString kMissing = QStringLiteral("Tip|Please input user and password！");
const QString kWarning =
    QStringLiteral("Tip|The connection setting goes wrong,please set it again!！");

// The index of the line type shown as `name`.
int TypeIndex(const std::string& name) {
  const auto& table = kelbrin::lines::LineTypeTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].displayName == name) return static_cast<int>(i);
  }
  return -1;
}

struct ApplyCall {
  int lineType;
  std::string lineName, password, userName;
  bool operator==(const ApplyCall&) const = default;
};

// The page alone over the real line-type table, every other seam recorded.
struct PageRig {
  NetworkPage::LineSettings stored;
  std::vector<std::string> connections{"Office DSL", "Wired connection 1"};
  // The dial-up phonebook's entries; unset, the page asks nothing about them.
  std::optional<std::vector<std::string>> phonebook;
  bool reachable = true;
  bool lanOnly = false;
  bool applyThrows = false;
  // The holder is still at work until the test runs the done calls; else it is done at once.
  bool holdApply = false;
  std::vector<std::function<void()>> applyDone;
  int connectionLists = 0;
  std::vector<NetworkPage::LineSettings> saves;
  std::vector<ApplyCall> applies;
  std::vector<bool> keepActive;
  QStringList popups;
  QStringList boxes;
  std::unique_ptr<NetworkPage> page;

  void Make() {
    page = std::make_unique<NetworkPage>(NetworkPage::Seams{
        .ConnectionNames =
            [this] {
              ++connectionLists;
              return connections;
            },
        .LineTypeNames =
            [] {
              std::vector<std::string> names;
              kelbrin::lines::TLineFactory::GetLineTypeNames(&names);
              return names;
            },
        .NeedsCredentials = kelbrin::lines::TLineFactory::NeedsCredentials,
        .LineNameUsable = !phonebook ? std::function<bool(int, const std::string&)>()
                                     : [this](int lineType, const std::string& name) {
                                         return !kelbrin::lines::TLineFactory::DialsPhonebookEntry(
                                                    lineType) ||
                                                std::find(phonebook->begin(), phonebook->end(),
                                                          name) != phonebook->end();
                                       },
        .ReadSettings = [this] { return stored; },
        .SaveSettings =
            [this](const NetworkPage::LineSettings& values) { saves.push_back(values); },
        .ApplyLine =
            [this](int lineType, const std::string& lineName, const std::string& password,
                   const std::string& userName, std::function<void()> done) {
              applies.push_back({lineType, lineName, password, userName});
              if (holdApply) {
                applyDone.push_back(std::move(done));
              } else {
                done();
              }
              if (applyThrows) throw std::logic_error("Assertion failed (KeepLineActive): no line");
            },
        .SetKeepActive = [this](bool value) { keepActive.push_back(value); },
        .NetReachable = [this] { return reachable; },
        .IsLanOnly = [this] { return lanOnly; },
        .ShowHintPopup =
            [this](const std::string& title, const std::string& text) {
              popups << QString::fromStdString(title + "|" + text);
            },
        .ShowErrorBox =
            [this](const std::string& caption, const std::string& text) {
              boxes << QString::fromStdString(caption + "|" + text);
            }});
    page->resize(520, 230);
  }
  void Show() {
    if (!page) Make();
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
  }

  template <typename T>
  T* find(const char* name) const {
    return page->findChild<T*>(QString::fromLatin1(name));
  }
  // The user picks the line type `index` from the list (keyboard, so the change handler runs).
  void PickType(int index) {
    auto* list = find<QComboBox>("cbbUType");
    while (list->currentIndex() < index) QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > index) QTest::keyClick(list, Qt::Key_Up);
  }
  void Type(const char* name, const QString& text) {
    auto* edit = find<QLineEdit>(name);
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  void Save() { QTest::mouseClick(find<QPushButton>("btSaveLineInfo"), Qt::LeftButton); }
  bool CredentialsShown() const {
    const char* names[] = {"Label7", "edLineUserName", "Label6", "edLineUserPwd"};
    int shown = 0;
    for (const char* name : names) shown += find<QWidget>(name)->isVisibleTo(page.get()) ? 1 : 0;
    if (shown != 0 && shown != 4) qWarning("credential fields shown in part: %d of 4", shown);
    return shown == 4;
  }
};

}  // namespace

class TestNetworkPage : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    previousOpener_ = kelbrin::gui::SetShellOpenHandler([this](const QString& t) { opened_ << t; });
  }
  void cleanup() {
    kelbrin::gui::SetShellOpenHandler(previousOpener_);
    opened_.clear();
  }

  void controlsCarryTheirNamesCaptionsAndLimits() {
    PageRig rig;
    rig.Make();
    QCOMPARE(rig.page->objectName(), QStringLiteral("TabSheet2"));
    QCOMPARE(rig.find<QLineEdit>("edLineUserName")->maxLength(), 25);
    QCOMPARE(rig.find<QLineEdit>("edLineUserPwd")->maxLength(), 15);
    QCOMPARE(rig.find<QLineEdit>("edLineUserPwd")->echoMode(), QLineEdit::Password);
    QCOMPARE(rig.find<QLabel>("Label7")->text(), QStringLiteral("User Name："));
    QCOMPARE(rig.find<QLabel>("Label6")->text(), QStringLiteral("Password："));
    QCOMPARE(rig.find<QCheckBox>("chkAutoConn")->text(), QStringLiteral("Auto-connect Way"));
    QCOMPARE(rig.find<QCheckBox>("chkAutoConn")->toolTip(),
             QStringLiteral("System will reconnect automatically, and test the network state"));
    QCOMPARE(rig.find<QPushButton>("btSaveLineInfo")->text(), QStringLiteral("Save"));
    QStringList captions;
    for (const QLabel* label : rig.page->findChildren<QLabel*>()) captions << label->text();
    QVERIFY(captions.contains(QStringLiteral("Default Connetion：")));
    QVERIFY(captions.contains(QStringLiteral("Line Type：")));
    QVERIFY(captions.contains(QStringLiteral("Tips")));
    auto* link = rig.find<kelbrin::gui::LinkLabel>("labelLan1");
    QCOMPARE(link->text(), QStringLiteral("How to map ports? "));
    QVERIFY2(link->toolTip().startsWith(QStringLiteral("http://")) &&
                 link->toolTip().endsWith(QStringLiteral("/client?204")),
             qPrintable(link->toolTip()));
  }

  // The stored values come into the controls without running a handler.
  void firstShowLoadsTheStoredValuesSilently() {
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Cable Modem"),
                  .LineName = "Wired connection 1",
                  .LineUserName = "modem-user",
                  .LineUserPwd = "modem-pass",
                  .AutoConn = true};
    rig.Show();
    auto* types = rig.find<QComboBox>("cbbUType");
    QStringList names;
    for (int i = 0; i < types->count(); ++i) names << types->itemText(i);
    QCOMPARE(names, (QStringList{"Virtual Dial-up", "Web Authorization", "Cable Modem", "Lan"}));
    QCOMPARE(types->currentText(), QStringLiteral("Cable Modem"));
    QCOMPARE(rig.find<QComboBox>("cbbLineType")->currentText(),
             QStringLiteral("Wired connection 1"));
    QCOMPARE(rig.find<QLineEdit>("edLineUserName")->text(), QStringLiteral("modem-user"));
    QCOMPARE(rig.find<QLineEdit>("edLineUserPwd")->text(), QStringLiteral("modem-pass"));
    QVERIFY(rig.find<QCheckBox>("chkAutoConn")->isChecked());
    QVERIFY(rig.keepActive.empty());
    QVERIFY(rig.saves.empty());
    QVERIFY(rig.applies.empty());
    QVERIFY(rig.popups.isEmpty());
  }

  void aStoredTypeOutsideTheTableSelectsNothing() {
    PageRig rig;
    rig.stored.InternalLineType = 9;
    rig.Show();
    QCOMPARE(rig.find<QComboBox>("cbbUType")->currentIndex(), -1);
    // Nothing selected: the fields are asked for.
    QVERIFY(rig.CredentialsShown());
  }

  void credentialFieldsFollowTheLineType_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("shown");
    QTest::newRow("Lan") << "Lan" << false;
    QTest::newRow("Cable Modem") << "Cable Modem" << true;
    QTest::newRow("Virtual Dial-up") << "Virtual Dial-up" << true;
    QTest::newRow("Web Authorization") << "Web Authorization" << true;
  }
  void credentialFieldsFollowTheLineType() {
    QFETCH(QString, type);
    QFETCH(bool, shown);
    PageRig rig;
    // Start on the opposite kind, so the pick has to change what shows.
    rig.stored.InternalLineType = shown ? TypeIndex("Lan") : TypeIndex("Cable Modem");
    rig.Show();
    QCOMPARE(rig.CredentialsShown(), !shown);
    rig.PickType(TypeIndex(type.toStdString()));
    QCOMPARE(rig.find<QComboBox>("cbbUType")->currentText(), type);
    QCOMPARE(rig.CredentialsShown(), shown);
  }

  void saveChecksTheCredentials_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("refused");
    QTest::newRow("cable modem, both given") << "Cable Modem"
                                             << "user"
                                             << "pass" << false;
    QTest::newRow("cable modem, no user") << "Cable Modem"
                                          << ""
                                          << "pass" << true;
    QTest::newRow("cable modem, blank user") << "Cable Modem"
                                             << "   "
                                             << "pass" << true;
    QTest::newRow("dial-up, blank password") << "Virtual Dial-up"
                                             << "user"
                                             << "  " << true;
    QTest::newRow("portal, no password") << "Web Authorization"
                                         << "user"
                                         << "" << true;
    QTest::newRow("lan, both empty") << "Lan"
                                     << ""
                                     << "" << false;
  }
  void saveChecksTheCredentials() {
    QFETCH(QString, type);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, refused);
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex(type.toStdString()),
                  .LineName = "Office DSL",
                  .LineUserName = user.toStdString(),
                  .LineUserPwd = password.toStdString()};
    rig.Show();
    rig.page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.page.get()));
    rig.find<QPushButton>("btSaveLineInfo")->setFocus();
    rig.Save();
    if (refused) {
      QCOMPARE(rig.boxes, QStringList{kMissing});
      QVERIFY(rig.saves.empty());
      QVERIFY(rig.applies.empty());
      QVERIFY(rig.find<QLineEdit>("edLineUserName")->hasFocus());
      return;
    }
    QVERIFY(rig.boxes.isEmpty());
    QCOMPARE(rig.saves.size(), std::size_t{1});
    const NetworkPage::LineSettings& saved = rig.saves.front();
    QCOMPARE(saved.InternalLineType, TypeIndex(type.toStdString()));
    QCOMPARE(saved.LineName, std::string("Office DSL"));
    // Stored as typed, not trimmed.
    QCOMPARE(saved.LineUserName, user.toStdString());
    QCOMPARE(saved.LineUserPwd, password.toStdString());
    QCOMPARE(rig.applies, (std::vector<ApplyCall>{{TypeIndex(type.toStdString()), "Office DSL",
                                                   password.toStdString(), user.toStdString()}}));
  }

  // A dial-up line dials an entry of the phonebook: another connection is refused with a word
  // and nothing is stored; other kinds take any connection.
  void aDialUpLineTakesOnlyAPhonebookEntry() {
    PageRig rig;
    rig.phonebook = std::vector<std::string>{"Office DSL"};
    rig.stored = {.InternalLineType = TypeIndex("Virtual Dial-up"),
                  .LineName = "Wired connection 1",
                  .LineUserName = "u",
                  .LineUserPwd = "p"};
    rig.Show();
    rig.Save();
    QCOMPARE(rig.boxes,
             QStringList{"Tip|\"Wired connection 1\" is not an entry of the dial-up phonebook: "
                         "choose one of its entries for a dial-up line."});
    QVERIFY(rig.saves.empty());
    QVERIFY(rig.applies.empty());
    QCOMPARE(QApplication::focusWidget(), rig.find<QWidget>("cbbLineType"));

    rig.PickType(TypeIndex("Cable Modem"));
    rig.Save();
    QCOMPARE(rig.saves.size(), std::size_t{1});
    QCOMPARE(rig.saves.back().LineName, std::string("Wired connection 1"));

    rig.PickType(TypeIndex("Virtual Dial-up"));
    auto* connection = rig.find<QComboBox>("cbbLineType");
    connection->setCurrentIndex(connection->findText(QStringLiteral("Office DSL")));
    rig.Save();
    QCOMPARE(rig.saves.size(), std::size_t{2});
    QCOMPARE(rig.saves.back().LineName, std::string("Office DSL"));
    QCOMPARE(rig.boxes.size(), 1);
  }

  void aSecondSaveRestartsNothing() {
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Lan"), .LineName = "Wired connection 1"};
    rig.Show();
    rig.Save();
    rig.Save();
    QCOMPARE(rig.saves.size(), std::size_t{2});
    QCOMPARE(rig.applies.size(), std::size_t{1});
    // A changed value goes to the holder again; "Auto-connect Way" is no line value.
    QTest::keyClick(rig.find<QCheckBox>("chkAutoConn"), Qt::Key_Space);
    QCOMPARE(rig.saves.size(), std::size_t{2});
    rig.Save();
    QCOMPARE(rig.applies.size(), std::size_t{1});
    rig.PickType(TypeIndex("Cable Modem"));
    rig.Type("edLineUserName", QStringLiteral("u"));
    rig.Type("edLineUserPwd", QStringLiteral("p"));
    rig.Save();
    QCOMPARE(rig.saves.size(), std::size_t{4});
    QCOMPARE(rig.applies.size(), std::size_t{2});
    QCOMPARE(rig.applies.back(),
             (ApplyCall{TypeIndex("Cable Modem"), "Wired connection 1", "p", "u"}));
  }

  // No line for the type: the values are stored, the user sees why, the next save tries again.
  void aLineThatCannotBeMadeIsReported() {
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Lan"), .LineName = "Office DSL"};
    rig.applyThrows = true;
    rig.Show();
    rig.Save();
    QCOMPARE(rig.saves.size(), std::size_t{1});
    QCOMPARE(rig.boxes, QStringList{"Error|Assertion failed (KeepLineActive): no line"});
    rig.applyThrows = false;
    rig.Save();
    QCOMPARE(rig.applies.size(), std::size_t{2});
    QCOMPARE(rig.boxes.size(), 1);
  }

  // The holder still at work: Save is disabled and the page busy, so a second click does
  // nothing; both go once the holder is done.
  void saveShowsTheBusySignUntilTheHolderIsDone() {
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Lan"), .LineName = "Office DSL"};
    rig.holdApply = true;
    rig.Show();
    auto* save = rig.find<QPushButton>("btSaveLineInfo");
    QVERIFY(rig.page->cursor().shape() != Qt::BusyCursor);
    rig.Save();
    QCOMPARE(rig.applies.size(), std::size_t{1});
    QVERIFY(!save->isEnabled());
    QCOMPARE(rig.page->cursor().shape(), Qt::BusyCursor);
    rig.PickType(TypeIndex("Cable Modem"));
    rig.Type("edLineUserName", QStringLiteral("u"));
    rig.Type("edLineUserPwd", QStringLiteral("p"));
    rig.Save();
    QCOMPARE(rig.saves.size(), std::size_t{1});
    QCOMPARE(rig.applies.size(), std::size_t{1});

    rig.applyDone.front()();
    QVERIFY(save->isEnabled());
    QVERIFY(rig.page->cursor().shape() != Qt::BusyCursor);
    rig.Save();
    QCOMPARE(rig.applies.size(), std::size_t{2});
  }

  // A Save whose line cannot be made ends its busy sign all the same.
  void aRefusedApplyEndsTheBusySign() {
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Lan"), .LineName = "Office DSL"};
    rig.holdApply = true;
    rig.applyThrows = true;
    rig.Show();
    rig.Save();
    QCOMPARE(rig.boxes.size(), 1);
    QVERIFY(!rig.find<QPushButton>("btSaveLineInfo")->isEnabled());
    rig.applyDone.front()();
    QVERIFY(rig.find<QPushButton>("btSaveLineInfo")->isEnabled());
  }

  void autoConnectSwitchesTheKeepAliveOnly() {
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Lan"), .AutoConn = true};
    rig.Show();
    QTest::keyClick(rig.find<QCheckBox>("chkAutoConn"), Qt::Key_Space);
    QCOMPARE(rig.keepActive, std::vector<bool>{false});
    QVERIFY(rig.saves.empty());
    rig.Save();
    QCOMPARE(rig.saves.size(), std::size_t{1});
    QVERIFY(!rig.saves.front().AutoConn);
  }

  void tipsSayWhetherTheAddressIsInner_data() {
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("lanOnly");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("linkShown");
    QTest::newRow("inner addresses") << true << true << kLanTip << true;
    QTest::newRow("a public address") << true << false << kValidTip << false;
    QTest::newRow("not reachable") << false << true << QString() << false;
  }
  void tipsSayWhetherTheAddressIsInner() {
    QFETCH(bool, reachable);
    QFETCH(bool, lanOnly);
    QFETCH(QString, tip);
    QFETCH(bool, linkShown);
    PageRig rig;
    // Shown once with the opposite facts: every show starts the tips afresh.
    rig.reachable = true;
    rig.lanOnly = !lanOnly;
    rig.Show();
    rig.page->hide();
    rig.reachable = reachable;
    rig.lanOnly = lanOnly;
    rig.Show();
    QCOMPARE(rig.find<QLabel>("Label31")->text(), tip);
    auto* link = rig.find<kelbrin::gui::LinkLabel>("labelLan1");
    QCOMPARE(link->isVisible(), linkShown);
    if (!linkShown) return;
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(opened_, QStringList{link->toolTip()});
  }

  void theConnectionWarningComesOncePerRun() {
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Lan"), .LineName = "Home Wi-Fi"};
    rig.Show();
    QCOMPARE(rig.popups, QStringList{kWarning});
    QCOMPARE(rig.find<QComboBox>("cbbLineType")->currentIndex(), -1);
    rig.page->hide();
    rig.connections.push_back("Home Wi-Fi");
    rig.Show();
    QCOMPARE(rig.popups.size(), 1);
    // The list is not filled again in the run.
    QCOMPARE(rig.connectionLists, 1);
    QCOMPARE(rig.find<QComboBox>("cbbLineType")->count(), 2);
  }

  void theStoredConnectionIsFoundIgnoringCase_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("other case") << "office dsl"
                                << "Office DSL";
    QTest::newRow("none stored") << ""
                                 << "";
  }
  void theStoredConnectionIsFoundIgnoringCase() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    PageRig rig;
    rig.stored = {.InternalLineType = TypeIndex("Lan"), .LineName = stored.toStdString()};
    rig.Show();
    QVERIFY(rig.popups.isEmpty());
    QCOMPARE(rig.find<QComboBox>("cbbLineType")->currentText(), shown);
    rig.Save();
    QCOMPARE(QString::fromStdString(rig.saves.at(0).LineName), shown);
  }

  // In the window: Save stores through the session into the store, the holder hook runs once for
  // two identical saves.
  void theWindowStoresTheLineAndAppliesItOnce() {
    kelbrin::test::MemorySettingsBackend store;
    store.values = {{"LineName", "wired connection 1"},
                    {"InternalLineType", std::to_string(TypeIndex("Virtual Dial-up"))}};
    MainFormRig rig("http://127.0.0.1:9/pelmar/pelmar.dll/", &store);
    std::vector<ApplyCall> applies;
    rig.network = {
        .ConnectionNames = [] { return std::vector<std::string>{"Wired connection 1"}; },
        .ApplyLine =
            [&applies](int lineType, const std::string& lineName, const std::string& password,
                       const std::string& userName, std::function<void()> done) {
              applies.push_back({lineType, lineName, password, userName});
              done();
            },
        .SetKeepActive = {}};
    rig.form->ShowFromTray();
    rig.form->SetActivePage(TMainForm::kNetworkPage);
    auto* page = rig.find<NetworkPage>("TabSheet2");
    QVERIFY(page != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    keepScreenshot(rig.form->grab().toImage(), "network-page.png");
    auto* types = page->findChild<QComboBox*>(QStringLiteral("cbbUType"));
    while (types->currentIndex() < TypeIndex("Lan")) QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(types->currentText(), QStringLiteral("Lan"));
    auto* save = page->findChild<QPushButton*>(QStringLiteral("btSaveLineInfo"));
    QTest::mouseClick(save, Qt::LeftButton);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(applies, (std::vector<ApplyCall>{{TypeIndex("Lan"), "Wired connection 1", "", ""}}));
    QCOMPARE(store.values["LineName"], std::string("Wired connection 1"));
    QCOMPARE(store.values["InternalLineType"], std::to_string(TypeIndex("Lan")));
    // The stored connection was found (letter case aside) and nothing was refused.
    for (const auto& effect : rig.presenter.effects) {
      QVERIFY2(effect.kind != "popup" && effect.kind != "error", effect.Line().c_str());
    }
    QCOMPARE(rig.root->Settings().Snapshot().LineName, std::string("Wired connection 1"));
  }

  // The window over the real line holder, with a portal line whose login exchange the portal
  // holds: Save returns while the line it replaces still waits for that exchange, and the page
  // shows that it is at work until the line is gone.
  void saveDoesNotWaitForTheLineItReplaces() {
    if (::geteuid() != 0) QSKIP("needs root for a network namespace of the test's own");
    const OwnNetwork network;
    QVERIFY(network.Usable());
    const kelbrin::test::TempDir noTools;  // no nmcli: the connections are the interfaces
    const kelbrin::test::ScopedEnv path("PATH", noTools.path().string());
    const kelbrin::test::ScopedEnv noProxy("NO_PROXY", "*");
    kelbrin::test::LocalHttpServer portal;
    kelbrin::test::LocalHttpServer::Reply held;
    held.ending = kelbrin::test::LocalHttpServer::Ending::BlackHole;
    portal.setReply(held);
    kelbrin::test::MemorySettingsBackend store;
    store.values = {{"LineName", OwnNetwork::kInterface},
                    {"InternalLineType", std::to_string(TypeIndex("Web Authorization"))},
                    {"LineUserName", "user"},
                    {"LineUserPwd", "old"},
                    {"AutoConn", "1"},
                    {"PortalProbeUrl", portal.url("/probe")}};
    // The exchange is held for as long as the test likes: a Save that waited for it would not
    // come back before the test's own time-out.
    kelbrin::gui::test::RigStart start{.wholeClient = true};
    start.pace.receiveTimeout = std::chrono::hours(1);
    MainFormRig rig("http://127.0.0.1:9/pelmar/pelmar.dll/", &store, start);
    rig.network.ConnectionNames = [] { return std::vector<std::string>{OwnNetwork::kInterface}; };
    rig.network.ApplyLine = [&rig](int lineType, const std::string& lineName,
                                   const std::string& password, const std::string& userName,
                                   std::function<void()> done) {
      rig.root->ApplyLine(lineType, lineName, password, userName, std::move(done));
    };
    // The stored line's login is under way, its exchange held by the portal.
    QVERIFY(portal.waitForRequests(1, std::chrono::seconds(10)));
    rig.form->ShowFromTray();
    rig.form->SetActivePage(TMainForm::kNetworkPage);
    auto* page = rig.find<NetworkPage>("TabSheet2");
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    auto* password = page->findChild<QLineEdit*>(QStringLiteral("edLineUserPwd"));
    password->clear();
    QTest::keyClicks(password, QStringLiteral("new"));
    auto* save = page->findChild<QPushButton*>(QStringLiteral("btSaveLineInfo"));
    QTest::mouseClick(save, Qt::LeftButton);

    // Back from the click while the old line still waits for its exchange.
    QCOMPARE(store.values["LineUserPwd"], std::string("new"));
    QVERIFY(!save->isEnabled());
    QCOMPARE(page->cursor().shape(), Qt::BusyCursor);
    QCOMPARE(rig.root->HeldLineType(), std::optional<int>(TypeIndex("Web Authorization")));

    // The exchange gives up: the old line's login ends, the line is freed, the sign goes.
    rig.root->Pelmar().AbortAll();
    QVERIFY(QTest::qWaitFor([save] { return save->isEnabled(); }, 10000));
    QVERIFY(page->cursor().shape() != Qt::BusyCursor);
  }

  // A stored line that cannot be started: the start shows the tip and asks for the network
  // page, and the desktop's presenter switches the window to it.
  void theUnusualConnectionTipLeadsToTheNetworkPage() {
    kelbrin::test::MemorySettingsBackend store;
    store.values = {{"LineName", "Office DSL"}, {"InternalLineType", "7"}, {"AutoConn", "1"}};
    MainFormRig rig("http://127.0.0.1:9/pelmar/pelmar.dll/", &store, {.wholeClient = true});
    QStringList effects;
    for (const auto& effect : rig.presenter.effects) {
      effects << QString::fromStdString(effect.Line());
    }
    // (Without a saved password the start then shows the window.)
    QCOMPARE(effects.mid(0, 2), (QStringList{"popup|Tip|unusual connection,！please check the network setting！",
                                   "network-settings||"}));

    QCOMPARE(rig.form->ActivePage(), int(TMainForm::kStatePage));
    kelbrin::gui::DesktopPresenter desktop(kelbrin::runtime::Pace{}, [](unsigned, unsigned) {});
    desktop.SetMainWindow(rig.form.get());
    desktop.ShowNetworkSettings();
    QCOMPARE(rig.form->ActivePage(), int(TMainForm::kNetworkPage));
  }

 private:
  kelbrin::gui::ShellOpenHandler previousOpener_;
  QStringList opened_;
};

QTEST_MAIN(TestNetworkPage)
#include "test_network_page.moc"
