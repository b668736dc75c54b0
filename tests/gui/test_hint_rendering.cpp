#include <QGlyphRun>
#include <QLabel>
#include <QPainter>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>
#include <cstdlib>

#include "Screenshot.h"
#include "gui/JpegImage.h"
#include "gui/ProgramFont.h"
#include "gui/TFAnimateHint.h"

using namespace std::chrono_literals;
using kelbrin::gui::JpegImage;
using kelbrin::gui::ProgramFont;
using kelbrin::gui::TFAnimateHint;

namespace {

// The message area (window coordinates) as it must look: the background picture (drawn at
// (1, 1) inside the frame) with `text` drawn on it in the program's font, black, centred, wrapped
// at words (and inside a word only where one is wider than a line).
QImage expectedMessageArea(const QRect& messageArea, const QString& text) {
  QImage area = JpegImage::FromResource("ANIMATE_BKGROUND_BMP")
                    .copy(messageArea.translated(-1, -1))
                    .convertToFormat(QImage::Format_RGB32);
  QPainter painter(&area);
  painter.setFont(ProgramFont());
  painter.setPen(Qt::black);
  QTextOption wrapping(Qt::AlignCenter);
  wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  painter.drawText(QRectF(area.rect()), text, wrapping);
  return area;
}

// Pixels of `shot`'s message area that differ visibly from `expected`, leaving out those under
// `covered` (window coordinates), where another control lies over the message.
int differingPixels(const QImage& shot, const QRect& messageArea, const QImage& expected,
                    const QRect& covered) {
  constexpr int kTolerance = 24;  // per channel
  int differing = 0;
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const QPoint where = messageArea.topLeft() + QPoint(x, y);
      if (covered.contains(where)) continue;
      const QColor a = shot.pixelColor(where);
      const QColor b = expected.pixelColor(x, y);
      differing += std::abs(a.red() - b.red()) > kTolerance ||
                   std::abs(a.green() - b.green()) > kTolerance ||
                   std::abs(a.blue() - b.blue()) > kTolerance;
    }
  }
  return differing;
}

// Characters of `text` that the program's font, with the faces it falls back to, has no glyph
// for: they would show as boxes.
int missingGlyphs(const QString& text) {
  QTextLayout layout(text, ProgramFont());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  int missing = 0;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    missing += static_cast<int>(run.glyphIndexes().count(0));
  }
  return missing;
}

}  // namespace

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
    if (TFAnimateHint* hint = TFAnimateHint::Current()) hint->close();
    QTRY_VERIFY(TFAnimateHint::Current() == nullptr);
  }

  void drawsTheFrameAndTheBackgroundPicture() {
    const QImage shot = rested("Hint", "IP updates successfully：203.0.113.25");
    QCOMPARE(shot.size(), QSize(182, 117));
    const QImage background = JpegImage::FromResource("ANIMATE_BKGROUND_BMP");
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
    // Every character has its glyph, and the area shows exactly this text at its place.
    QCOMPARE(missingGlyphs(text), 0);
    // The message must lie inside the picture's message panel (below the title, above the
    // bottom edge), and show exactly this text there.
    const QRect messageArea = TFAnimateHint::Current()->findChild<QLabel*>("LblInfo")->geometry();
    QVERIFY(QRect(8, 28, TFAnimateHint::kWidth - 16, TFAnimateHint::kTargetHeight - 32)
                .contains(messageArea));
    const QImage expected = expectedMessageArea(messageArea, text);
    const QRect link = TFAnimateHint::Current()->findChild<QLabel*>("LblLoopEvent")->geometry();
    QCOMPARE(differingPixels(shot, messageArea, expected, link), 0);
  }
};

QTEST_MAIN(TestHintRendering)
#include "test_hint_rendering.moc"
