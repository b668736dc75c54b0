// The desktop beside the running service on a private message bus: it shows the service's
// session instead of running its own, sends the pages' actions to it, takes over when the
// service leaves and lets go when it comes back; polkit's refusal changes nothing and says why.
#include <signal.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDBusConnection>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ChildRun.h"
#include "PrivateBus.h"
#include "ReferenceService.h"
#include "ScopedEnv.h"
#include "SessionDoubles.h"
#include "StandInAuthority.h"
#include "TempDir.h"
#include "app/desktop/DesktopFace.h"
#include "app/commands/StatusCommand.h"
#include "gui/QtEventLoop.h"
#include "runtime/Clock.h"
#include "settings/PubUtil.h"

namespace {

using kelbrin::test::PrivateBus;
using namespace std::chrono_literals;

constexpr int kGuardMs = 10000;
constexpr char kServiceLeft[] =
    "The Kelbrin service has stopped: this desktop runs the client now.";

// A connection of the test's own to a private bus, for the desktop to look on.
struct BusConnection {
  explicit BusConnection(const std::string& address)
      : bus(QDBusConnection::connectToBus(QString::fromStdString(address),
                                          QString::fromStdString(address))) {}
  ~BusConnection() { QDBusConnection::disconnectFromBus(bus.name()); }
  QDBusConnection bus;
};

// The desktop as DesktopMode builds it, looking for the service on the bus at `address` only.
struct Desktop {
  Desktop(const std::string& address, const std::string& endpoint)
      : connection(address),
        face(kelbrin::app::DesktopFace::Setup{
            .loop = loop,
            .clock = kelbrin::runtime::RealClock(),
            .presenter = presenter,
            .options =
                [endpoint] {
                  kelbrin::client::ClientOptions options;
                  // Its own auto-logon would come within 100 ms, were it running.
                  options.pace = kelbrin::runtime::Pace().Scaled(0.01);
                  options.endpoint = endpoint;
                  return options;
                },
            .complete = [](kelbrin::gui::TMainForm::Services&) {},
            .windowChanged =
                [this](kelbrin::gui::TMainForm* form,
                       const kelbrin::session::SessionReadout* readout) {
                  window = form;
                  session = readout;
                  if (form != nullptr) ++windowsMade;
                },
            .buses = {connection.bus}}) {
    face.Start();
  }

  bool Online() const { return session != nullptr && session->Mark() == 1; }
  void Click(const char* name) const {
    auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY(button != nullptr);
    button->click();
  }

  bool LogHas(const QString& text) const {
    window->SetActivePage(kelbrin::gui::TMainForm::kLogPage);
    const auto* log = window->findChild<QAbstractItemView*>(QStringLiteral("ListViewLog"));
    if (log == nullptr) return false;
    const QAbstractItemModel& model = *log->model();
    for (int row = 0; row < model.rowCount(); ++row) {
      for (int column = 0; column < model.columnCount(); ++column) {
        if (model.index(row, column).data().toString() == text) return true;
      }
    }
    return false;
  }

  kelbrin::gui::QtEventLoop loop{kelbrin::runtime::RealClock()};
  kelbrin::test::RecordingPresenter presenter;
  BusConnection connection;
  kelbrin::gui::TMainForm* window = nullptr;
  const kelbrin::session::SessionReadout* session = nullptr;
  int windowsMade = 0;
  kelbrin::app::DesktopFace face;
};

std::string StatusOn(const std::string& bus) {
  std::ostringstream out;
  std::ostringstream err;
  kelbrin::app::PrintStatus(bus, out, err);
  return out.str();
}

}  // namespace

class ClientBusFrontTest : public QObject {
  Q_OBJECT

 private:
  std::optional<kelbrin::test::TempDir> dir_;
  std::optional<kelbrin::test::ReferenceService> service_;
  pid_t servicePid_ = -1;

  // `kelbrin-client --service --bus BUS` on the test's settings folder, logged in once it
  // returns.
  void StartService(const std::string& bus, const std::string& address) {
    const int logins = service_->countRequests("QueryUserProfileReq");
    servicePid_ = kelbrin::test::StartProgram(
        KELBRIN_CLIENT_EXECUTABLE,
        {"--service", "--bus", bus, "--endpoint", service_->endpoint(), "--config-root",
         (dir_->path() / "config").string(), "--time-scale", "0.01"},
        "/dev/null", dir_->path() / "stderr",
        {"DBUS_" + std::string(bus == "system" ? "SYSTEM" : "SESSION") +
         "_BUS_ADDRESS=" + address});
    QVERIFY(servicePid_ > 0);
    QVERIFY2(kelbrin::test::WaitUntil([&] {
               return service_->countRequests("ActiveTestReq") > 0 &&
                      service_->countRequests("QueryUserProfileReq") > logins &&
                      StatusOn(bus).rfind("Online", 0) == 0;
             }),
             kelbrin::test::ReadFile(dir_->path() / "stderr").c_str());
  }
  void StopService(int signo) {
    kelbrin::test::EndWithin(servicePid_, signo, 10s);
    servicePid_ = -1;
  }

 private Q_SLOTS:
  void init() {
    dir_.emplace();
    kelbrin::settings::SetConfigRoot(dir_->path() / "config");
    kelbrin::settings::TPubUtil::WriteRegStrings(
        {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
    service_.emplace(kelbrin::test::ReferenceService::Options{{}, dir_->path() / "service.log"});
  }
  void cleanup() {
    if (servicePid_ > 0) StopService(SIGTERM);
    service_.reset();
    dir_.reset();
  }

  void theDesktopShowsTheServiceAndItsActionsDriveIt() {
    const PrivateBus session(dir_->path(), PrivateBus::Kind::SessionLike);
    const kelbrin::test::ScopedEnv sessionEnv("DBUS_SESSION_BUS_ADDRESS", session.Address());
    StartService("session", session.Address());
    Desktop desktop(session.Address(), service_->endpoint());

    QVERIFY(desktop.Online());
    QCOMPARE(desktop.session->View().Label28, std::string("100001"));
    QCOMPARE(desktop.session->View().Label27, std::string("127.0.0.1"));
    QCOMPARE(desktop.session->View().BtnLogonCaption, std::string("Logout"));
    // The service runs, and the box says so.
    QVERIFY(desktop.session->View().ChkBoxRunAsService);
    // The domain tree is the service's list (the demo account has two domains).
    QTRY_VERIFY_WITH_TIMEOUT(desktop.session->View().DomainTree != nullptr, kGuardMs);
    QCOMPARE(desktop.session->View().DomainTree->DomainInfos.size(), std::size_t{2});
    QVERIFY(!desktop.session->View().DomainTree->DomainInfos[0].ResourceInfos.empty());

    // The log-off goes to the service, whose popup comes back to the desktop.
    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(desktop.presenter.Count("popup", "Hint", "Logout Success！") == 1,
                             kGuardMs);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.Online(), kGuardMs);
    QCOMPARE(desktop.session->View().BtnLogonCaption, std::string("Login"));
    QVERIFY(StatusOn("session").rfind("Offline", 0) == 0);
    // The logout clears the list there, and here.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.session->View().DomainTree == nullptr, kGuardMs);
    // The Log page shows the service's log: what it had before, and what came since.
    QVERIFY(desktop.LogHas("IP updates successfully：127.0.0.1"));
    QVERIFY(desktop.LogHas("Logout Success！"));

    // One session: the service's. The desktop never logged in by itself.
    QCOMPARE(service_->countRequests("QueryUserProfileReq"), 1);
    QCOMPARE(desktop.presenter.Count("popup", "Tip", kServiceLeft), 0);
  }

  void aServiceThatLeavesIsNoticedAndTheDesktopTakesOverUntilItComesBack() {
    const PrivateBus session(dir_->path(), PrivateBus::Kind::SessionLike);
    const kelbrin::test::ScopedEnv sessionEnv("DBUS_SESSION_BUS_ADDRESS", session.Address());
    StartService("session", session.Address());
    Desktop desktop(session.Address(), service_->endpoint());
    QVERIFY(desktop.Online());

    // Killed, not stopped: only the bus tells the desktop.
    StopService(SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.presenter.Count("popup", "Tip", kServiceLeft) == 1, kGuardMs);
    // Its own session logs in with the saved password, as a desktop without a service does.
    QTRY_COMPARE_WITH_TIMEOUT(service_->countRequests("QueryUserProfileReq"), 2, kGuardMs);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.Online(), kGuardMs);
    QCOMPARE(desktop.windowsMade, 1);

    // The service comes back: the desktop's session ends and a window on the service's
    // takes its place.
    StartService("session", session.Address());
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowsMade, 2, kGuardMs);
    QVERIFY(desktop.Online());
    QCOMPARE(desktop.presenter.Count("popup", "Tip", kServiceLeft), 1);
    // From now on only the service logs in: its log-off ends the one session there is.
    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.Online(), kGuardMs);
    QVERIFY(StatusOn("session").rfind("Offline", 0) == 0);
    QCOMPARE(service_->countRequests("QueryUserProfileReq"), 3);
  }

  void aPolkitRefusalChangesNothingAndShowsItsMessage() {
    const PrivateBus system(dir_->path(), PrivateBus::Kind::SystemLike, {KELBRIN_BUS_POLICY});
    const kelbrin::test::ScopedEnv systemEnv("DBUS_SYSTEM_BUS_ADDRESS", system.Address());
    kelbrin::test::StandInAuthority authority(system.Address());
    StartService("system", system.Address());
    Desktop desktop(system.Address(), service_->endpoint());
    QVERIFY(desktop.Online());

    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(
        desktop.presenter.Count("error", "Error", "Not authorized: net.kelbrin.client.logon") == 1,
        kGuardMs);
    QVERIFY(desktop.Online());
    QVERIFY(StatusOn("system").rfind("Online", 0) == 0);
    QCOMPARE(desktop.session->View().BtnLogonCaption, std::string("Logout"));
  }
};

QTEST_MAIN(ClientBusFrontTest)
#include "ClientBusFrontTest.moc"
