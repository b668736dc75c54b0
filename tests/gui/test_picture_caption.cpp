// The pictures carry no text: the program draws their captions in the user's language, each
// inside its place.
#include <QtTest>

#include "MessagesLocale.h"
#include "gui/JpegImage.h"
#include "gui/PictureCaption.h"
#include "runtime/Translate.h"

using kelbrin::gui::CaptionLine;
using kelbrin::gui::JpegImage;
using kelbrin::gui::WithCaptions;

class TestPictureCaption : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A caption too long for its place is cut there: nothing is drawn outside it.
  void aCaptionStaysInsideItsPlace() {
    QImage blank(200, 40, QImage::Format_RGB32);
    blank.fill(Qt::black);
    const QRect place(10, 10, 50, 20);
    const QImage drawn =
        WithCaptions(blank, {{QString(80, QChar('W')), place, 14, true, QColor(Qt::white)}});
    int inside = 0;
    for (int y = 0; y < drawn.height(); ++y) {
      for (int x = 0; x < drawn.width(); ++x) {
        if (drawn.pixel(x, y) == blank.pixel(x, y)) continue;
        QVERIFY2(place.contains(x, y), qPrintable(QStringLiteral("drawn at %1,%2").arg(x).arg(y)));
        ++inside;
      }
    }
    QVERIFY(inside > 0);
  }

  // The banner and the about picture show their texts, and in Chinese the catalog's.
  void thePicturesTextsFollowTheLanguage_data() {
    QTest::addColumn<QString>("resource");
    QTest::newRow("banner") << QStringLiteral("BANNER_BMP");
    QTest::newRow("about") << QStringLiteral("ABOUT_BMP");
  }
  void thePicturesTextsFollowTheLanguage() {
    QFETCH(QString, resource);
    const auto picture = [&resource] {
      return resource == QLatin1String("BANNER_BMP") ? kelbrin::gui::BannerPicture()
                                                     : kelbrin::gui::AboutPicture();
    };
    const QImage bare = JpegImage::FromResource(resource);
    QVERIFY(!bare.isNull());
    const QImage english = picture();
    QCOMPARE(english.size(), bare.size());
    QVERIFY(english != bare);

    kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
    const kelbrin::test::MessagesLocale chinese("zh_CN.UTF-8");
    QVERIFY2(chinese.chosen(), "zh_CN.UTF-8 is not installed (scripts/setup installs locales-all)");
    const QImage translated = picture();
    QVERIFY(translated != bare);
    QVERIFY(translated != english);
  }
};

QTEST_MAIN(TestPictureCaption)
#include "test_picture_caption.moc"
