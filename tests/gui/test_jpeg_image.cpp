#include <QBuffer>
#include <QtTest>

#include "gui/JpegImage.h"

using kelbrin::gui::JpegImage;

class TestJpegImage : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void decodesTheColoursOfAJpeg() {
    QImage source(16, 8, QImage::Format_RGB32);
    source.fill(QColor(200, 40, 30));
    for (int x = 8; x < 16; ++x) {
      for (int y = 0; y < 8; ++y) source.setPixelColor(x, y, QColor(20, 60, 180));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(source.save(&buffer, "JPG", 100));

    const QImage decoded = JpegImage::Decode(bytes);
    QCOMPARE(decoded.size(), QSize(16, 8));
    for (const auto& [point, expected] : {std::pair{QPoint(2, 4), QColor(200, 40, 30)},
                                          std::pair{QPoint(13, 4), QColor(20, 60, 180)}}) {
      const QColor got = decoded.pixelColor(point);
      QVERIFY2(qAbs(got.red() - expected.red()) < 12 && qAbs(got.green() - expected.green()) < 12 &&
                   qAbs(got.blue() - expected.blue()) < 12,
               qPrintable(got.name()));
    }
  }

  void rejectsWhatIsNoJpeg_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("not a picture at all");
    QTest::newRow("header only") << QByteArray("\xFF\xD8\xFF\xE0", 4);
  }
  void rejectsWhatIsNoJpeg() {
    QFETCH(QByteArray, bytes);
    QVERIFY(JpegImage::Decode(bytes).isNull());
  }

  void loadsThePicturesOfTheResources_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("background") << "ANIMATE_BKGROUND_BMP" << QSize(180, 115);
    QTest::newRow("close") << "ANIMATE_CLOSE_BMP" << QSize(13, 13);
  }
  void loadsThePicturesOfTheResources() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QCOMPARE(JpegImage::FromResource(name).size(), size);
  }

  void missingResourceIsNull() { QVERIFY(JpegImage::FromResource("NO_SUCH_PICTURE").isNull()); }
};

QTEST_GUILESS_MAIN(TestJpegImage)
#include "test_jpeg_image.moc"
