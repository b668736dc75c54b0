#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QtTest>

#include "MainFormFixture.h"
#include "TempDir.h"
#include "gui/DesktopPresenter.h"
#include "gui/TFAnimateHint.h"
#include "settings/PubUtil.h"

using kelbrin::gui::DesktopPresenter;
using kelbrin::gui::test::MainFormRig;

namespace {

DesktopPresenter::MessageBoxFunction recorder(QStringList* boxes) {
  return [boxes](QMessageBox::Icon icon, const QString& caption, const QString& text,
                 std::function<void()>) {
    *boxes << QString::number(icon) + '|' + caption + '|' + text;
  };
}

QMessageBox* openBox() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) return box;
  }
  return nullptr;
}

}  // namespace

class TestDesktopPresenter : public QObject {
  Q_OBJECT

  kelbrin::test::TempDir dir_;

 private Q_SLOTS:
  void initTestCase() { kelbrin::settings::SetConfigRoot(dir_ / "config"); }

  void boxesCarryIconCaptionAndText() {
    DesktopPresenter presenter(kelbrin::runtime::Pace{}, [](unsigned, unsigned) {});
    QStringList boxes;
    presenter.SetMessageBox(recorder(&boxes));
    presenter.ShowErrorBox("Error", "The account expires！");
    presenter.ShowInfoBox("Tip", "Please login first！");
    QCOMPARE(boxes, (QStringList{
                        QString::number(QMessageBox::Critical) + "|Error|The account expires！",
                        QString::number(QMessageBox::Information) + "|Tip|Please login first！"}));
  }

  // The real box is modal for the user but the call returns at once: the controller's thread
  // never sits in a nested event loop.
  void realBoxDoesNotWait() {
    DesktopPresenter presenter(kelbrin::runtime::Pace{}, [](unsigned, unsigned) {});
    presenter.ShowInfoBox("Tip",
                          "AS you have checked the service option ,this choice is ignored！");
    QMessageBox* box = openBox();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QString("Tip"));
    QCOMPARE(box->icon(), QMessageBox::Information);
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
    QVERIFY(box->text().startsWith("AS you have"));
    box->accept();
    QTRY_VERIFY(openBox() == nullptr);
  }

  // The desktop's sequence when the service stops: its take-over, then the session's first news
  // within milliseconds. The news waits until the take-over has been read.
  void newsDoesNotCoverTheTakeOver() {
    using kelbrin::gui::TFAnimateHint;
    using kelbrin::runtime::NoticeKind;
    kelbrin::runtime::Pace pace;
    pace.popupSlideStep = std::chrono::milliseconds(1);
    DesktopPresenter presenter(pace, [](unsigned, unsigned) {});
    const QString takeOver("The Kelbrin service has stopped: this desktop runs the client now.");
    presenter.Tell({NoticeKind::Tip, takeOver.toStdString()});
    presenter.Tell({NoticeKind::News, "Congradulation！"});
    presenter.Tell({NoticeKind::News, "IP updates successfully：127.0.0.1"});
    const auto shown = [] {
      TFAnimateHint* hint = TFAnimateHint::Current();
      return hint ? hint->findChild<QLabel*>("LblInfo")->text() : QString();
    };
    QCOMPARE(shown(), takeOver);
    TFAnimateHint::Current()->close();  // read and closed by the user
    QTRY_COMPARE(shown(), QString("IP updates successfully：127.0.0.1"));
    TFAnimateHint::Current()->close();
    QTRY_VERIFY(TFAnimateHint::Current() == nullptr);
  }

  void showMainWindowWaitsForTheWindow() {
    DesktopPresenter presenter(kelbrin::runtime::Pace{}, [](unsigned, unsigned) {});
    MainFormRig rig;  // its own recording presenter; this one is only asked to show
    presenter.ShowMainWindow();
    QVERIFY(!rig.form->isVisible());
    presenter.SetMainWindow(rig.form.get());
    QVERIFY(rig.form->isVisible());
    rig.form->HideToTray();
    presenter.ShowMainWindow();
    QVERIFY(rig.form->isVisible());
  }
};

QTEST_MAIN(TestDesktopPresenter)
#include "test_desktop_presenter.moc"
