// The desktop beside the running service on a private message bus: it shows the service's
// session instead of running its own, sends the pages' actions to it, takes over when the
// service leaves and lets go when it comes back; polkit's refusal changes nothing and says why.
// Run as an unprivileged user (ctest drops root's identity for it), so that polkit decides.
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDBusConnection>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <list>
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
#include "app/commands/StatusCommand.h"
#include "app/desktop/DesktopFace.h"
#include "gui/QtEventLoop.h"
#include "gui/ShellOpen.h"
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

// The desktop as DesktopMode builds it, looking for the service on the buses at `addresses`
// only, in that order.
struct Desktop {
  Desktop(const std::vector<std::string>& addresses, const std::string& endpoint)
      : connections(addresses.begin(), addresses.end()),
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
            .buses = Buses()}) {
    face.Start();
  }

  std::vector<QDBusConnection> Buses() const {
    std::vector<QDBusConnection> buses;
    for (const BusConnection& connection : connections) buses.push_back(connection.bus);
    return buses;
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
  const std::list<BusConnection> connections;
  kelbrin::gui::TMainForm* window = nullptr;
  const kelbrin::session::SessionReadout* session = nullptr;
  int windowsMade = 0;
  kelbrin::app::DesktopFace face;
};

// --status on `bus`, found at `address`.
std::string StatusOn(const std::string& bus, const std::string& address) {
  const kelbrin::test::ScopedEnv env(
      bus == "system" ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS", address);
  std::ostringstream out;
  std::ostringstream err;
  kelbrin::app::PrintStatus(bus, false, out, err);
  return out.str();
}

}  // namespace

class ClientBusFrontTest : public QObject {
  Q_OBJECT

 private:
  std::optional<kelbrin::test::TempDir> dir_;
  std::optional<kelbrin::test::ReferenceService> service_;
  std::vector<pid_t> services_;

  // `kelbrin-client --service --bus BUS` on a settings folder of its own (`name`, with the
  // saved demo account), logged in once it returns.
  pid_t StartService(const std::string& bus, const std::string& address,
                     const std::string& name = "service") {
    const int logins = service_->countRequests("QueryUserProfileReq");
    const auto config = dir_->path() / (name + "-config");
    kelbrin::settings::SetConfigRoot(config);
    kelbrin::settings::TPubUtil::WriteRegStrings(
        {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
    kelbrin::settings::SetConfigRoot(dir_->path() / "config");
    const pid_t pid =
        kelbrin::test::StartProgram(KELBRIN_CLIENT_EXECUTABLE,
                                    {"--service", "--bus", bus, "--endpoint", service_->endpoint(),
                                     "--config-root", config.string(), "--time-scale", "0.01"},
                                    "/dev/null", dir_->path() / (name + ".stderr"),
                                    {"DBUS_" + std::string(bus == "system" ? "SYSTEM" : "SESSION") +
                                     "_BUS_ADDRESS=" + address});
    services_.push_back(pid);
    const bool online = kelbrin::test::WaitUntil([&] {
      return service_->countRequests("ActiveTestReq") > 0 &&
             service_->countRequests("QueryUserProfileReq") > logins &&
             StatusOn(bus, address).rfind("Online", 0) == 0;
    });
    if (!online) qWarning() << kelbrin::test::ReadFile(dir_->path() / (name + ".stderr")).c_str();
    return online ? pid : -1;
  }
  // `kelbrin-client --status --bus session` run as a process of its own while this thread's
  // loop goes on.
  std::string StatusFromProcess(const std::string& address) {
    const auto out = dir_->path() / "status.out";
    const pid_t pid = kelbrin::test::StartProgram(
        "/bin/sh",
        {"-c", "exec \"$0\" --status --bus session 1>&2 2>/dev/null", KELBRIN_CLIENT_EXECUTABLE},
        "/dev/null", out, {"DBUS_SESSION_BUS_ADDRESS=" + address});
    int status = 0;
    for (int turn = 0; turn < 500 && waitpid(pid, &status, WNOHANG) == 0; ++turn) {
      QTest::qWait(10);
    }
    return kelbrin::test::ReadFile(out);
  }
  void StopService(pid_t pid, int signo) {
    kelbrin::test::EndWithin(pid, signo, 10s);
    services_.erase(std::remove(services_.begin(), services_.end(), pid), services_.end());
  }
  // A system-like bus that lets this test's user own the client's name (the test runs as an
  // unprivileged user, so that polkit decides for its desktop).
  PrivateBus SystemBus(const std::string& folder) {
    std::filesystem::create_directories(dir_->path() / folder);
    const auto owner = dir_->path() / folder / "owner.conf";
    std::ofstream(owner)
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n"
           "  <policy user=\""
        << ::getpwuid(::getuid())->pw_name
        << "\">\n"
           "    <allow own=\"net.kelbrin.Client\"/>\n  </policy>\n</busconfig>\n";
    return PrivateBus(dir_->path() / folder, PrivateBus::Kind::SystemLike,
                      {KELBRIN_BUS_POLICY, owner});
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
    while (!services_.empty()) StopService(services_.back(), SIGTERM);
    service_.reset();
    dir_.reset();
  }

  void theDesktopShowsTheServiceAndItsActionsDriveIt() {
    const PrivateBus session(dir_->path(), PrivateBus::Kind::SessionLike);
    QVERIFY(StartService("session", session.Address()) > 0);
    Desktop desktop({session.Address()}, service_->endpoint());

    QVERIFY(desktop.Online());
    QCOMPARE(desktop.session->View().Label28, std::string("100001"));
    QCOMPARE(desktop.session->View().Label26, std::string("Formal user"));
    QCOMPARE(desktop.session->View().Label27, std::string("127.0.0.1"));
    QCOMPARE(desktop.session->View().Label29, std::string("Glory lifetime user"));
    QCOMPARE(desktop.session->View().BtnLogonCaption, std::string("Logout"));
    QCOMPARE(desktop.session->View().TrayHint, std::string("Kelbrin client V6.0 -- Online"));
    // The service runs, and the box says so.
    QVERIFY(desktop.session->View().ChkBoxRunAsService);
    // The domain tree is the service's list (the demo account has two domains).
    QTRY_VERIFY_WITH_TIMEOUT(desktop.session->View().DomainTree != nullptr, kGuardMs);
    QCOMPARE(desktop.session->View().DomainTree->DomainInfos.size(), std::size_t{2});
    QVERIFY(!desktop.session->View().DomainTree->DomainInfos[0].ResourceInfos.empty());

    // The advanced-service page reads the service's account: ready to open, with an address
    // that names the user but not the password, which stays with the service.
    desktop.window->ShowFromTray();
    desktop.window->SetActivePage(kelbrin::gui::TMainForm::kServicePage);
    auto* open = desktop.window->findChild<QAbstractButton*>(QStringLiteral("WebBrowser1Open"));
    QVERIFY(open != nullptr);
    QVERIFY(open->isEnabled());
    QStringList opened;
    const auto previousOpener =
        kelbrin::gui::SetShellOpenHandler([&opened](const QString& target) { opened << target; });
    open->click();
    kelbrin::gui::SetShellOpenHandler(previousOpener);
    QCOMPARE(opened.size(), 1);
    QVERIFY2(opened[0].endsWith(QStringLiteral("/client/advservice.asp?username=demo01")),
             qPrintable(opened[0]));

    // The log-off goes to the service, whose notice the desktop tells as its own would be.
    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(desktop.presenter.Count("popup", "Hint", "Logout Success！") == 1,
                             kGuardMs);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.Online(), kGuardMs);
    QCOMPARE(desktop.session->View().BtnLogonCaption, std::string("Login"));
    QCOMPARE(desktop.session->View().TrayHint, std::string("Kelbrin client V6.0 -- Logout"));
    QVERIFY(StatusOn("session", session.Address()).rfind("Offline", 0) == 0);
    // The logout clears the list there, and here.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.session->View().DomainTree == nullptr, kGuardMs);
    // The Log page shows the service's log: what it had before, and what came since.
    QVERIFY(desktop.LogHas("IP updates successfully：127.0.0.1"));
    QVERIFY(desktop.LogHas("Logout Success！"));

    // Logging on again with the service's saved account: its password stays with the service.
    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(desktop.Online(), kGuardMs);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.presenter.Count("popup", "Hint", "Congradulation！") == 1,
                             kGuardMs);

    // One session: the service's. The desktop never logged in by itself.
    QCOMPARE(service_->countRequests("QueryUserProfileReq"), 2);
    QCOMPARE(desktop.presenter.Count("popup", "Tip", kServiceLeft), 0);
  }

  void aServiceThatLeavesIsNoticedAndTheDesktopTakesOverUntilItComesBack() {
    const PrivateBus session(dir_->path(), PrivateBus::Kind::SessionLike);
    const pid_t first = StartService("session", session.Address());
    QVERIFY(first > 0);
    Desktop desktop({session.Address()}, service_->endpoint());
    QVERIFY(desktop.Online());

    // Killed, not stopped: only the bus tells the desktop.
    StopService(first, SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.presenter.Count("popup", "Tip", kServiceLeft) == 1, kGuardMs);
    // Its own session logs in with the saved password, as a desktop without a service does.
    QTRY_COMPARE_WITH_TIMEOUT(service_->countRequests("QueryUserProfileReq"), 2, kGuardMs);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.Online(), kGuardMs);
    QCOMPARE(desktop.windowsMade, 1);

    // The service comes back: the desktop's session ends and a window on the service's
    // takes its place.
    QVERIFY(StartService("session", session.Address()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowsMade, 2, kGuardMs);
    QVERIFY(desktop.Online());
    QCOMPARE(desktop.presenter.Count("popup", "Tip", kServiceLeft), 1);
    // From now on only the service logs in: its log-off ends the one session there is.
    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.Online(), kGuardMs);
    QVERIFY(StatusOn("session", session.Address()).rfind("Offline", 0) == 0);
    QCOMPARE(service_->countRequests("QueryUserProfileReq"), 3);
  }

  // Without a service the desktop runs its own session and says so on the session bus, where
  // --status finds it; a service that comes takes the name, and the desktop becomes its face.
  void theDesktopsOwnSessionIsOnTheSessionBusUntilAServiceComes() {
    const PrivateBus session(dir_->path(), PrivateBus::Kind::SessionLike);
    const kelbrin::test::ScopedEnv sessionEnv("DBUS_SESSION_BUS_ADDRESS", session.Address());
    Desktop desktop({session.Address()}, service_->endpoint());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.Online(), kGuardMs);
    // Asked by another process, as the desktop serves the bus on this thread.
    QTRY_VERIFY_WITH_TIMEOUT(
        StatusFromProcess(session.Address()).rfind("Online — address 127.0.0.1", 0) == 0, kGuardMs);
    QCOMPARE(desktop.windowsMade, 1);

    QVERIFY(StartService("session", session.Address()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowsMade, 2, kGuardMs);
    QVERIFY(desktop.Online());
    // The desktop's own session has ended: the service is the one client there is.
    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(StatusOn("session", session.Address()).rfind("Offline", 0) == 0,
                             kGuardMs);
    QCOMPARE(service_->countRequests("QueryUserProfileReq"), 2);
  }

  // With a service on each bus, the desktop shows the system's, and when that one leaves it
  // follows the other without a session of its own in between.
  void aServiceStillOnTheOtherBusTakesOverTheWindow() {
    const PrivateBus system = SystemBus("system");
    const PrivateBus session(dir_->path(), PrivateBus::Kind::SessionLike);
    const pid_t machine = StartService("system", system.Address(), "machine");
    QVERIFY(machine > 0);
    QVERIFY(StartService("session", session.Address(), "user") > 0);
    Desktop desktop({system.Address(), session.Address()}, service_->endpoint());
    QVERIFY(desktop.Online());

    StopService(machine, SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.windowsMade == 1 && desktop.Online(), kGuardMs);
    QTest::qWait(200);
    QCOMPARE(desktop.presenter.Count("popup", "Tip", kServiceLeft), 0);
    // The window now drives the user's service.
    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(StatusOn("session", session.Address()).rfind("Offline", 0) == 0,
                             kGuardMs);
    QCOMPARE(service_->countRequests("QueryUserProfileReq"), 2);
  }

  void aPolkitRefusalChangesNothingAndShowsItsMessage() {
    if (::geteuid() == 0) QSKIP("runs as an unprivileged user (root is never asked about)");
    const PrivateBus system = SystemBus("system");
    kelbrin::test::StandInAuthority authority(system.Address());
    QVERIFY(StartService("system", system.Address()) > 0);
    Desktop desktop({system.Address()}, service_->endpoint());
    QVERIFY(desktop.Online());

    desktop.Click("BtnLogon");
    QTRY_VERIFY_WITH_TIMEOUT(
        desktop.presenter.Count("error", "Error",
                                "System policy prevents logging the Kelbrin client on or off") == 1,
        kGuardMs);
    QVERIFY(desktop.Online());
    QVERIFY(StatusOn("system", system.Address()).rfind("Online", 0) == 0);
    QCOMPARE(desktop.session->View().BtnLogonCaption, std::string("Logout"));

    // A refused box goes back to what the service keeps.
    auto* report =
        desktop.window->findChild<QAbstractButton*>(QStringLiteral("suiCheckBoxUpdateSysInfo"));
    QVERIFY(report != nullptr);
    const bool kept = report->isChecked();
    report->click();
    QCOMPARE(report->isChecked(), !kept);
    QTRY_VERIFY_WITH_TIMEOUT(
        desktop.presenter.Count(
            "error", "Error", "Authentication is required to save the Kelbrin client's settings") ==
            1,
        kGuardMs);
    QTRY_COMPARE_WITH_TIMEOUT(report->isChecked(), kept, kGuardMs);
  }
};

QTEST_MAIN(ClientBusFrontTest)
#include "ClientBusFrontTest.moc"
