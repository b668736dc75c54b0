#include <QDBusConnection>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <atomic>
#include <optional>

#include "MessagesLocale.h"
#include "gui/DesktopNotifier.h"
#include "runtime/Translate.h"

using namespace std::chrono_literals;
using kelbrin::gui::DesktopNotifier;
using kelbrin::gui::FreedesktopNotifications;
using kelbrin::gui::TFAnimateHint;
using Weight = kelbrin::runtime::PopupWeight;

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

// Puts `server` on `bus` as the notification server.
bool serveOn(PrivateBus& bus, StandInServer& server) {
  QDBusConnection serverSide = bus.Connect(QStringLiteral("server"));
  return serverSide.registerObject(QString::fromLatin1(FreedesktopNotifications::kPath), &server,
                                   QDBusConnection::ExportAllSlots |
                                       QDBusConnection::ExportAllSignals) &&
         serverSide.registerService(QString::fromLatin1(FreedesktopNotifications::kService));
}

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
  // display time as expiry of a routine one, urgency for a warning; its "Renew reminder!" action
  // opens the reminder dialog. No window is drawn.
  void withANotificationServerNotificationsGoThroughIt() {
    PrivateBus bus;
    if (!bus.running()) QSKIP("dbus-daemon is not installed (scripts/setup installs it)");
    StandInServer server;
    QVERIFY(serveOn(bus, server));
    int renewed = 0;
    DesktopNotifier notifier(
        quickSlides(), [](unsigned, unsigned) {}, [&renewed] { ++renewed; },
        bus.Connect(QStringLiteral("client")));

    notifier.ShowHintPopup("Hint", "IP updates successfully：203.0.113.25", Weight::Routine);
    QTRY_COMPARE(server.shown.size(), 1);
    const StandInServer::Shown first = server.shown[0];
    QCOMPARE(first.appName, QString("Kelbrin client"));
    QCOMPARE(first.icon, QString("net.kelbrin.KelbrinClient"));
    QCOMPARE(first.summary, QString("Hint"));
    QCOMPARE(first.body, QString("IP updates successfully：203.0.113.25"));
    QCOMPARE(first.replaces, 0u);
    QCOMPARE(first.urgency, 0);
    QCOMPARE(first.expireMs, 5000);
    QCOMPARE(first.actions, QStringList({"renew", "Renew reminder!"}));
    QVERIFY(TFAnimateHint::Current() == nullptr);

    QTRY_COMPARE(notifier.Desktop().RoutineId(), 41u);  // the server's answer has arrived
    notifier.ShowHintPopup("Warning", "The login is lost");
    QTRY_COMPARE(server.shown.size(), 2);
    QCOMPARE(server.shown[1].replaces, 0u);
    QCOMPARE(server.shown[1].urgency, 2);
    QCOMPARE(server.shown[1].expireMs, -1);
    QVERIFY(TFAnimateHint::Current() == nullptr);

    // Signals arrive in order: another program's notification is passed over, ours are taken.
    Q_EMIT server.ActionInvoked(7, QStringLiteral("renew"));
    Q_EMIT server.ActionInvoked(41, QStringLiteral("renew"));
    QTRY_COMPARE(renewed, 1);
    Q_EMIT server.ActionInvoked(42, QStringLiteral("renew"));
    QTRY_COMPARE(renewed, 2);
  }

  // The action's button is in the user's language.
  void theActionReadsInTheMessagesLanguage() {
    PrivateBus bus;
    if (!bus.running()) QSKIP("dbus-daemon is not installed (scripts/setup installs it)");
    StandInServer server;
    QVERIFY(serveOn(bus, server));
    DesktopNotifier notifier(
        quickSlides(), [](unsigned, unsigned) {}, {}, bus.Connect(QStringLiteral("client")));
    kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
    const kelbrin::test::MessagesLocale chinese("zh_CN.UTF-8");
    QVERIFY2(chinese.chosen(), "zh_CN.UTF-8 is not installed (scripts/setup installs locales-all)");
    notifier.ShowHintPopup("Tip", "Connection fails！");
    QTRY_COMPARE(server.shown.size(), 1);
    QCOMPARE(server.shown[0].summary, QString("提示"));
    QCOMPARE(server.shown[0].actions, QStringList({"renew", "续费提醒！"}));
  }

  // What each notification replaces at the server, in the order sent: a routine one replaces
  // the routine one before it, never one that matters; one that matters replaces nothing.
  void withANotificationServerOnlyRoutineOnesAreReplaced_data() {
    QTest::addColumn<QList<int>>("weights");  // 0 routine, 1 matters
    QTest::addColumn<QList<uint>>("replaces");
    // the service's take-over, then "Congradulation！", then the address
    QTest::newRow("take-over then news") << QList<int>{1, 0, 0} << QList<uint>{0, 0, 42};
    QTest::newRow("news around a lost line") << QList<int>{0, 1, 0} << QList<uint>{0, 0, 41};
    QTest::newRow("two that matter") << QList<int>{1, 1} << QList<uint>{0, 0};
  }
  void withANotificationServerOnlyRoutineOnesAreReplaced() {
    QFETCH(QList<int>, weights);
    QFETCH(QList<uint>, replaces);
    PrivateBus bus;
    if (!bus.running()) QSKIP("dbus-daemon is not installed (scripts/setup installs it)");
    StandInServer server;
    QVERIFY(serveOn(bus, server));
    DesktopNotifier notifier(
        quickSlides(), [](unsigned, unsigned) {}, {}, bus.Connect(QStringLiteral("client")));
    for (int i = 0; i < weights.size(); ++i) {
      notifier.ShowHintPopup("Tip", "notice " + std::to_string(i),
                             weights[i] != 0 ? Weight::Matters : Weight::Routine);
      QTRY_COMPARE(server.shown.size(), i + 1);  // answered before the next, as on screen
      QTRY_VERIFY(weights[i] != 0 || notifier.Desktop().RoutineId() != 0);
    }
    QList<uint> replaced;
    for (const StandInServer::Shown& shown : server.shown) replaced << shown.replaces;
    QCOMPARE(replaced, replaces);
  }

  // Without a server, the drawn window shows a notice that matters to its end; the routine ones
  // told meanwhile wait, reduced to the newest, and follow it.
  void theDrawnWindowKeepsANoticeThatMatters() {
    PrivateBus bus;
    if (!bus.running()) QSKIP("dbus-daemon is not installed (scripts/setup installs it)");
    kelbrin::runtime::Pace pace = quickSlides();
    pace.popupDelay = 200ms;
    DesktopNotifier notifier(
        pace, [](unsigned, unsigned) {}, {}, bus.Connect(QStringLiteral("client")));
    const auto shownText = [] {
      TFAnimateHint* hint = TFAnimateHint::Current();
      return hint ? hint->findChild<QLabel*>("LblInfo")->text() : QString();
    };
    notifier.ShowHintPopup("Tip", "The Kelbrin service has stopped", Weight::Matters);
    notifier.ShowHintPopup("Hint", "Congradulation！", Weight::Routine);
    notifier.ShowHintPopup("Hint", "IP updates successfully：127.0.0.1", Weight::Routine);
    QCOMPARE(shownText(), QString("The Kelbrin service has stopped"));
    QPointer<TFAnimateHint> first = TFAnimateHint::Current();
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 10000);  // shown to its end
    QTRY_COMPARE(shownText(), QString("IP updates successfully：127.0.0.1"));
    // A routine one gives way at once.
    notifier.ShowHintPopup("Tip", "Connection fails！", Weight::Matters);
    QCOMPARE(shownText(), QString("Connection fails！"));
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
