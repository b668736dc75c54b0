#include <QLabel>
#include <QTimer>
#include <QtTest>

#include "Screenshot.h"
#include "gui/JpegImage.h"
#include "gui/TFAnimateHint.h"

using namespace std::chrono_literals;
using kelbrin::gui::JpegImage;
using kelbrin::gui::TFAnimateHint;

// Renders the rested notification window.
class TestHintRendering : public QObject {
  Q_OBJECT

 private:
  static QImage rested(const QString& title, const QString& text) {
    kelbrin::runtime::Pace pace;
    pace.popupSlideStep = 1ms;
    pace.popupDelay = 600000ms;
    TFAnimateHint* hint = TFAnimateHint::ShowHintPopup(title, text, pace);
    const bool rests =
        QTest::qWaitFor([&] { return hint->findChild<QTimer*>("TimerDelay")->isActive(); }, 5000);
    if (!rests) return {};
    return hint->grab().toImage();
  }

 private Q_SLOTS:
  void cleanup() {
    if (TFAnimateHint* hint = TFAnimateHint::current()) hint->close();
    QTRY_VERIFY(TFAnimateHint::current() == nullptr);
  }

  void drawsTheFrameAndTheBackgroundPicture() {
    const QImage shot = rested("Hint", "IP updates successfully：203.0.113.25");
    QCOMPARE(shot.size(), QSize(182, 117));
    const QImage background = JpegImage::fromResource("ANIMATE_BKGROUND_BMP");
    QCOMPARE(shot.pixelColor(0, 0), QColor(0x1f, 0x3f, 0x77));  // the frame
    QCOMPARE(shot.pixelColor(181, 116), QColor(0x1f, 0x3f, 0x77));
    QCOMPARE(shot.pixelColor(170, 60), background.pixelColor(169, 59));  // picture at (1, 1)
    keepScreenshot(shot, "notification-hint.png");
  }

  void theMessageIsDrawnInTheMessageArea_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("file");
    QTest::newRow("warning") << "Warning"
                             << "Your domain name , example.net ,have not been submitted, please "
                                "do it right now."
                             << "notification-warning.png";
    QTest::newRow("chinese") << "Hint"
                             << "您的域名即将过期,请及时为此域名续费"
                             << "notification-chinese.png";
  }
  void theMessageIsDrawnInTheMessageArea() {
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, file);
    const QImage shot = rested(title, text);
    QCOMPARE(shot.size(), QSize(182, 117));
    // Black text on the light picture: dark pixels in the upper and the lower half of the area.
    const auto darkPixels = [&shot](int top, int bottom) {
      int dark = 0;
      for (int y = top; y < bottom; ++y) {
        for (int x = 8; x < 174; ++x) dark += shot.pixelColor(x, y).lightness() < 90 ? 1 : 0;
      }
      return dark;
    };
    QVERIFY(darkPixels(28, 70) > 20);
    QVERIFY(darkPixels(70, 96) > 20);
    keepScreenshot(shot, file);
  }
};

QTEST_MAIN(TestHintRendering)
#include "test_hint_rendering.moc"
