#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "Screenshot.h"
#include "gui/LinkLabel.h"
#include "gui/ShellOpen.h"
#include "gui/TFAbout.h"

using kelbrin::gui::LinkLabel;
using kelbrin::gui::TFAbout;

namespace {

LinkLabel* link(const TFAbout& box, const char* name) {
  return box.findChild<LinkLabel*>(QString::fromLatin1(name));
}

}  // namespace

class TestAboutBox : public QObject {
  Q_OBJECT

  QStringList opened_;
  kelbrin::gui::ShellOpenHandler previous_;

 private Q_SLOTS:
  void initTestCase() {
    previous_ = kelbrin::gui::SetShellOpenHandler([this](const QString& t) { opened_ << t; });
  }
  void cleanupTestCase() { kelbrin::gui::SetShellOpenHandler(previous_); }
  void init() { opened_.clear(); }

  void showsVersionPictureAndLinks() {
    TFAbout box;
    box.ShowModal(nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.windowTitle(), QString("About Zorvan..."));
    QCOMPARE(box.size(), QSize(359, 231));
    QVERIFY(box.isModal());
    auto* picture = box.findChild<QLabel*>("Image1");
    QCOMPARE(picture->pixmap().size(), QSize(359, 85));
    QCOMPARE(box.findChild<QLabel*>("LblVer")->text(), QString("V6.0"));
    QVERIFY(box.findChild<QLabel*>("LblVer")->font().bold());
    QCOMPARE(box.findChild<QLabel*>("Label1")->text(), QString("Version:"));
    QCOMPARE(box.findChild<QLabel*>("LblSupportStr")->text(), QString("Technology Support："));
    QCOMPARE(link(box, "LblSite")->text(), QString("http://" KELBRIN_TEST_SERVICE_HOST));
    QCOMPARE(link(box, "LblSupport")->text(), QString("support@" KELBRIN_TEST_SERVICE_HOST));
    for (const char* name : {"LblSite", "LblSupport"}) {
      QVERIFY(link(box, name)->font().bold());
      QVERIFY(link(box, name)->font().underline());
      QCOMPARE(link(box, name)->Color(), QColor(Qt::blue));
      QCOMPARE(link(box, name)->cursor().shape(), Qt::PointingHandCursor);
    }
    QCOMPARE(box.findChild<QPushButton*>("BtnApply")->text(), QString("Ok"));
    keepScreenshot(box.grab().toImage(), "about-box.png");
    box.close();
  }

  void linksOpenTheSiteAndAMail() {
    TFAbout box;
    box.ShowModal(nullptr);
    QTest::mouseClick(link(box, "LblSite"), Qt::LeftButton);
    QTest::mouseClick(link(box, "LblSupport"), Qt::LeftButton);
    QCOMPARE(opened_, (QStringList{"http://" KELBRIN_TEST_SERVICE_HOST,
                                   "mailto:support@" KELBRIN_TEST_SERVICE_HOST}));
    box.close();
  }

  // Entering turns a link red and underlined; leaving makes it blue without the underline, and
  // the other link keeps its look.
  void hoverChangesOnlyTheLinkUnderTheMouse() {
    TFAbout box;
    box.ShowModal(nullptr);
    LinkLabel* site = link(box, "LblSite");
    LinkLabel* support = link(box, "LblSupport");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(site, &enter);
    QCOMPARE(site->Color(), QColor(Qt::red));
    QVERIFY(site->font().underline());
    QCOMPARE(support->Color(), QColor(Qt::blue));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(site, &leave);
    QCOMPARE(site->Color(), QColor(Qt::blue));
    QVERIFY(!site->font().underline());
    QVERIFY(support->font().underline());
    box.close();
  }

  void okOrADoubleClickCloses_data() {
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("Ok") << false;
    QTest::newRow("double click") << true;
  }
  void okOrADoubleClickCloses() {
    QFETCH(bool, doubleClick);
    TFAbout box;
    box.ShowModal(nullptr);
    QVERIFY(box.isVisible());
    if (doubleClick) {
      QTest::mouseDClick(box.findChild<QLabel*>("LblVer"), Qt::LeftButton);
    } else {
      QTest::mouseClick(box.findChild<QPushButton*>("BtnApply"), Qt::LeftButton);
    }
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(TestAboutBox)
#include "test_about_box.moc"
