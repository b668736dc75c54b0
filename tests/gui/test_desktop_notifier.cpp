#include <QLabel>
#include <QtTest>
#include <atomic>

#include "gui/DesktopNotifier.h"

using namespace std::chrono_literals;
using kelbrin::gui::DesktopNotifier;
using kelbrin::gui::TFAnimateHint;

class TestDesktopNotifier : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() {
    if (TFAnimateHint* hint = TFAnimateHint::Current()) hint->close();
    QTRY_VERIFY(TFAnimateHint::Current() == nullptr);
  }

  void showsUtf8TextsInTheNotificationWindow() {
    kelbrin::runtime::Pace pace;
    pace.popupSlideStep = 1ms;
    int renewed = 0;
    DesktopNotifier notifier(
        pace, [](unsigned, unsigned) {}, [&renewed] { ++renewed; });
    notifier.ShowHintPopup("Hint", "IP updates successfully：203.0.113.25");
    TFAnimateHint* hint = TFAnimateHint::Current();
    QVERIFY(hint);
    QCOMPARE(hint->findChild<QLabel*>("LblInfo")->text(),
             QString("IP updates successfully：203.0.113.25"));
    QCOMPARE(hint->findChild<QTimer*>("TimerDelay")->interval(), 5000);  // the product's delay
    QTest::mouseClick(hint->findChild<QLabel*>("LblLoopEvent"), Qt::LeftButton);
    QTRY_COMPARE(renewed, 1);
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
