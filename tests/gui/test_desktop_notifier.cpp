#include <QDBusConnection>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <atomic>
#include <optional>

#include "gui/DesktopNotifier.h"

using namespace std::chrono_literals;
using kelbrin::gui::DesktopNotifier;
using kelbrin::gui::FreedesktopNotifications;
using kelbrin::gui::TFAnimateHint;

namespace {

// A session bus of the test's own (dbus-daemon), ended with the test.
class PrivateBus {
 public:
  PrivateBus() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) return;
    process_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address=1")});
    if (!process_.waitForStarted(5000)) return;
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(process_.readLine()).trimmed();
  }
  ~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
  }
  bool running() const { return !address_.isEmpty(); }
  // A new connection to the bus, as another program would have.
  QDBusConnection Connect(const QString& name) {
    names_ << name;
    return QDBusConnection::connectToBus(address_, name);
  }

 private:
  QProcess process_;
  QString address_;
  QStringList names_;
};

// Stands in for the desktop's notification server: records what it is asked to show.
class StandInServer final : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Shown {
    QString appName, icon, summary, body;
    uint replaces;
    QStringList actions;
    int urgency;
    int expireMs;
  };
  QList<Shown> shown;

 public Q_SLOTS:
  uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
              const QString& summary, const QString& body, const QStringList& actions,
              const QVariantMap& hints, int expireTimeout) {
    shown.append({appName, appIcon, summary, body, replacesId, actions,
                  hints.value(QStringLiteral("urgency")).toInt(), expireTimeout});
    return replacesId != 0 ? replacesId : ++lastId_;
  }

 Q_SIGNALS:
  void ActionInvoked(uint id, const QString& actionKey);

 private:
  uint lastId_ = 40;
};

kelbrin::runtime::Pace quickSlides() {
  kelbrin::runtime::Pace pace;
  pace.popupSlideStep = 1ms;
  return pace;
}

}  // namespace

class TestDesktopNotifier : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() {
    if (TFAnimateHint* hint = TFAnimateHint::Current()) hint->close();
    QTRY_VERIFY(TFAnimateHint::Current() == nullptr);
  }

  // Without a notification server on the bus, the drawn window shows the notification.
  void withoutANotificationServerTheWindowShowsIt() {
    PrivateBus bus;
    if (!bus.running()) QSKIP("dbus-daemon is not installed (scripts/setup installs it)");
    int renewed = 0;
    DesktopNotifier notifier(
        quickSlides(), [](unsigned, unsigned) {}, [&renewed] { ++renewed; },
        bus.Connect(QStringLiteral("client")));
    notifier.ShowHintPopup("Hint", "IP updates successfully：203.0.113.25");
    TFAnimateHint* hint = TFAnimateHint::Current();
    QVERIFY(hint);
    QCOMPARE(hint->findChild<QLabel*>("LblInfo")->text(),
             QString("IP updates successfully：203.0.113.25"));
    QCOMPARE(hint->findChild<QTimer*>("TimerDelay")->interval(), 5000);  // the product's delay
    QTest::mouseClick(hint->findChild<QLabel*>("LblLoopEvent"), Qt::LeftButton);
    QTRY_COMPARE(renewed, 1);
  }

  // With one, notifications go to it: the program's name and icon, the title and text, the
  // display time as expiry, urgency for a warning, each replacing the one before; its
  // "Renew reminder!" action opens the reminder dialog. No window is drawn.
  void withANotificationServerNotificationsGoThroughIt() {
    PrivateBus bus;
    if (!bus.running()) QSKIP("dbus-daemon is not installed (scripts/setup installs it)");
    StandInServer server;
    QDBusConnection serverSide = bus.Connect(QStringLiteral("server"));
    QVERIFY(serverSide.registerObject(
        QString::fromLatin1(FreedesktopNotifications::kPath), &server,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    QVERIFY(serverSide.registerService(QString::fromLatin1(FreedesktopNotifications::kService)));
    int renewed = 0;
    DesktopNotifier notifier(
        quickSlides(), [](unsigned, unsigned) {}, [&renewed] { ++renewed; },
        bus.Connect(QStringLiteral("client")));

    notifier.ShowHintPopup("Hint", "IP updates successfully：203.0.113.25");
    QTRY_COMPARE(server.shown.size(), 1);
    const StandInServer::Shown first = server.shown[0];
    QCOMPARE(first.appName, QString("Kelbrin client"));
    QCOMPARE(first.icon, QString("net.kelbrin.KelbrinClient"));
    QCOMPARE(first.summary, QString("Hint"));
    QCOMPARE(first.body, QString("IP updates successfully：203.0.113.25"));
    QCOMPARE(first.replaces, 0u);
    QCOMPARE(first.urgency, 1);
    QCOMPARE(first.expireMs, 5000);
    QCOMPARE(first.actions, QStringList({"renew", "Renew reminder!"}));
    QVERIFY(TFAnimateHint::Current() == nullptr);

    QTRY_COMPARE(notifier.Desktop().ShownId(), 41u);  // the server's answer has arrived
    notifier.ShowHintPopup("Warning", "The login is lost");
    QTRY_COMPARE(server.shown.size(), 2);
    QCOMPARE(server.shown[1].replaces, 41u);
    QCOMPARE(server.shown[1].urgency, 2);
    QVERIFY(TFAnimateHint::Current() == nullptr);

    // Signals arrive in order: another program's notification is passed over, ours is taken.
    Q_EMIT server.ActionInvoked(7, QStringLiteral("renew"));
    Q_EMIT server.ActionInvoked(41, QStringLiteral("renew"));
    QTRY_COMPARE(renewed, 1);
    Q_EMIT server.ActionInvoked(41, QStringLiteral("renew"));
    QTRY_COMPARE(renewed, 2);
  }

  void beepsThreeTonesPerRepetition() {
    std::atomic<int> tones{0};
    {
      DesktopNotifier notifier({}, [&tones](unsigned, unsigned) { ++tones; }, {});
      notifier.StartBeep(2);
      QTRY_COMPARE(tones.load(), 6);
    }  // joined
    QCOMPARE(tones.load(), 6);
  }
};

QTEST_MAIN(TestDesktopNotifier)
#include "test_desktop_notifier.moc"
