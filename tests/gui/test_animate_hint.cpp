#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include "gui/TFAnimateHint.h"

using namespace std::chrono_literals;
using kelbrin::gui::TFAnimateHint;
namespace runtime = kelbrin::runtime;

namespace {

constexpr int kGuardMs = 5000;  // only prevents a hang

runtime::Pace pace(runtime::Duration slideStep, runtime::Duration delay) {
  runtime::Pace p;
  p.popupSlideStep = slideStep;
  p.popupDelay = delay;
  return p;
}
// Rests until the test moves on.
const runtime::Pace kResting = pace(1ms, 600000ms);
// Slides slower than the delay ticks, so a delay tick always comes during a slide down.
const runtime::Pace kQuickDelay = pace(5ms, 20ms);

QRect WorkArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

QTimer* timer(TFAnimateHint* hint, const char* name) {
  return hint->findChild<QTimer*>(QString::fromLatin1(name));
}
// One tick of `t`, now.
void fire(QTimer* t) { QMetaObject::invokeMethod(t, "timeout", Qt::DirectConnection); }
QLabel* label(TFAnimateHint* hint, const char* name) {
  return hint->findChild<QLabel*>(QString::fromLatin1(name));
}

void mouseEnters(QWidget* widget) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
  QCoreApplication::sendEvent(widget, &enter);
}
void mouseLeaves(QWidget* widget) {
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(widget, &leave);
}

bool waitUntilResting(TFAnimateHint* hint) {
  return QTest::qWaitFor([&] { return timer(hint, "TimerDelay")->isActive(); }, kGuardMs);
}

}  // namespace

class TestAnimateHint : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() {
    if (TFAnimateHint* hint = TFAnimateHint::Current()) hint->close();
    QTRY_VERIFY_WITH_TIMEOUT(TFAnimateHint::Current() == nullptr, kGuardMs);
  }

  void showsATopmostNonActivatingWindowAtTheBottomRight() {
    TFAnimateHint* hint =
        TFAnimateHint::ShowHintPopup("Hint", "IP updates successfully：1.2.3.4", kResting);
    QVERIFY(hint->isVisible());
    const Qt::WindowFlags flags = hint->windowFlags();
    for (Qt::WindowType flag : {Qt::Tool, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                Qt::WindowDoesNotAcceptFocus}) {
      QVERIFY(flags.testFlag(flag));
    }
    QVERIFY(hint->testAttribute(Qt::WA_ShowWithoutActivating));
    QCOMPARE(hint->SlideHeight(), 0);
    QCOMPARE(hint->SlideTop(), WorkArea().bottom() + 1 + 2);
    QCOMPARE(hint->x(), WorkArea().right() + 1 - 182 - 10);
    QCOMPARE(hint->width(), 182);

    QCOMPARE(label(hint, "LblTitle")->text(), QString("Hint"));
    QCOMPARE(label(hint, "LblTitle")->pos(), QPoint(28, 7));
    QCOMPARE(label(hint, "LblInfo")->text(), QString("IP updates successfully：1.2.3.4"));
    QCOMPARE(label(hint, "LblInfo")->geometry(), QRect(8, 31, 166, 62));  // inside the panel
    QVERIFY(label(hint, "LblInfo")->wordWrap());
    for (const char* name : {"LblTitle", "LblInfo"}) {
      QLabel* text = label(hint, name);
      text->ensurePolished();
      QCOMPARE(text->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
    QCOMPARE(label(hint, "LblLoopEvent")->text(), QString("Renew reminder!"));
    QCOMPARE(label(hint, "LblLoopEvent")->pos(), QPoint(10, 99));
    QLabel* close = label(hint, "ImageClose");
    QCOMPARE(close->toolTip(), QString("Close"));
    QCOMPARE(close->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(close->pos(), QPoint(182 - close->width() - 6, 7));
    QCOMPARE(timer(hint, "TimerDelay")->interval(), 600000);
  }

  // The window never becomes active; resting the mouse on the close button shows its hint anyway.
  void theCloseButtonShowsItsHintThoughTheWindowIsNotActive() {
    TFAnimateHint* hint = TFAnimateHint::ShowHintPopup("Hint", "text", kResting);
    QVERIFY(waitUntilResting(hint));
    QVERIFY(QTest::qWaitForWindowExposed(hint));
    QWidget elsewhere;  // the window the user works in (without a window manager: none is)
    elsewhere.show();
    elsewhere.activateWindow();
    // Whether the other window got the focus depends on the platform; the popup must not have it.
    [[maybe_unused]] const bool otherActive = QTest::qWaitForWindowActive(&elsewhere, 500);
    QVERIFY(!hint->isActiveWindow());
    QLabel* close = label(hint, "ImageClose");
    QTest::mouseMove(close, close->rect().center());
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("Close"));
    QToolTip::hideText();
  }

  void slidesUpFiveStepsAtATimeToItsFullHeight() {
    TFAnimateHint* hint = TFAnimateHint::ShowHintPopup("Hint", "text", kResting);
    QSignalSpy steps(timer(hint, "TimerScrollUp"), &QTimer::timeout);
    QVERIFY(waitUntilResting(hint));
    QCOMPARE(hint->SlideHeight(), 117);
    QCOMPARE(hint->height(), 117);
    // 24 steps of 5 px pass the target (120), the 25th sets it exactly.
    QCOMPARE(steps.count(), 25);
    QCOMPARE(hint->SlideTop(), WorkArea().bottom() + 1 + 2 - 24 * 5);
    QVERIFY(!timer(hint, "TimerScrollUp")->isActive());
    QVERIFY(!timer(hint, "TimerScrollDown")->isActive());
  }

  void aWindowUnderTheMouseStaysAndLeavesAfterTheMouseLeft() {
    QPointer<TFAnimateHint> hint = TFAnimateHint::ShowHintPopup("Warning", "text", kQuickDelay);
    mouseEnters(hint);
    QVERIFY(hint->MouseInside());
    QVERIFY(waitUntilResting(hint));
    QSignalSpy delayTicks(timer(hint, "TimerDelay"), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(delayTicks.count() >= 3, kGuardMs);
    QCOMPARE(hint->SlideHeight(), 117);
    QVERIFY(!timer(hint, "TimerScrollDown")->isActive());

    mouseLeaves(hint);
    QVERIFY(!hint->MouseInside());
    QTRY_VERIFY_WITH_TIMEOUT(hint.isNull(), kGuardMs);  // slid down, closed and freed
    QVERIFY(TFAnimateHint::Current() == nullptr);
  }

  void aSlideDownPausesWhileTheMouseIsInside() {
    QPointer<TFAnimateHint> hint = TFAnimateHint::ShowHintPopup("Hint", "text", kQuickDelay);
    QSignalSpy downSteps(timer(hint, "TimerScrollDown"), &QTimer::timeout);
    QVERIFY(downSteps.wait(kGuardMs));
    mouseEnters(hint);
    QSignalSpy delayTicks(timer(hint, "TimerDelay"), &QTimer::timeout);
    QVERIFY(delayTicks.wait(kGuardMs));
    QVERIFY(!hint.isNull());
    QVERIFY(!timer(hint, "TimerScrollDown")->isActive());
    const int pausedAt = hint->SlideHeight();
    QVERIFY(pausedAt > 0 && pausedAt < 117);
    QVERIFY(delayTicks.wait(kGuardMs));
    QCOMPARE(hint->SlideHeight(), pausedAt);

    mouseLeaves(hint);
    QTRY_VERIFY_WITH_TIMEOUT(hint.isNull(), kGuardMs);
  }

  // A pointer on its way across (it moves, or came just now) does not hold the window; one that
  // has stayed still does.
  void onlyARestingPointerHoldsTheWindow() {
    QPointer<TFAnimateHint> hint = TFAnimateHint::ShowHintPopup("Hint", "text", kResting);
    QVERIFY(waitUntilResting(hint));
    QTimer* down = timer(hint, "TimerScrollDown");
    mouseEnters(hint);
    fire(timer(hint, "TimerDelay"));
    QVERIFY(down->isActive());  // just arrived: the slide down goes on

    fire(timer(hint, "TimerRest"));  // it stays still
    QVERIFY(hint->mouseResting());
    fire(timer(hint, "TimerDelay"));
    QVERIFY(!down->isActive());

    QMouseEvent move(QEvent::MouseMove, QPointF(9, 9), hint->mapToGlobal(QPointF(9, 9)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(hint, &move);  // it moves on
    QVERIFY(!hint->mouseResting());
    fire(timer(hint, "TimerDelay"));
    QVERIFY(down->isActive());
  }

  // The window keeps clear of the tray icon in the corner it slides out of, inside the work area.
  void keepsClearOfTheTrayIcon() {
    const QRect area = WorkArea();
    const QRect tray(area.right() - 60, area.bottom() - 23, 24, 24);
    QPointer<TFAnimateHint> hint = TFAnimateHint::ShowHintPopup("Hint", "text", kResting, {}, tray);
    QVERIFY(waitUntilResting(hint));
    QCOMPARE(hint->height(), 117);
    QVERIFY(!hint->geometry().intersects(tray));
    QVERIFY(area.contains(hint->geometry()));
    // Just above it, not anywhere higher.
    const int gap = tray.top() - (hint->geometry().bottom() + 1);
    QVERIFY2(gap >= TFAnimateHint::kClearance && gap <= TFAnimateHint::kClearance + 5,
             qPrintable(QString::number(gap)));
  }

  void aSecondNotificationRestartsTheShowInTheSameWindow() {
    TFAnimateHint* first = TFAnimateHint::ShowHintPopup("Hint", "first", kResting);
    QTRY_VERIFY_WITH_TIMEOUT(first->SlideHeight() > 0, kGuardMs);
    TFAnimateHint* second = TFAnimateHint::ShowHintPopup("Warning", "second", kResting);
    QCOMPARE(second, first);
    QCOMPARE(second->SlideHeight(), 0);
    QCOMPARE(label(second, "LblTitle")->text(), QString("Warning"));
    QCOMPARE(label(second, "LblInfo")->text(), QString("second"));
    QVERIFY(waitUntilResting(second));
    QCOMPARE(second->SlideHeight(), 117);
  }

  void aNotificationDuringTheSlideDownEndsThatSlide() {
    QPointer<TFAnimateHint> hint = TFAnimateHint::ShowHintPopup("Hint", "first", kQuickDelay);
    QSignalSpy downSteps(timer(hint, "TimerScrollDown"), &QTimer::timeout);
    QVERIFY(downSteps.wait(kGuardMs));
    TFAnimateHint::ShowHintPopup("Hint", "second", kResting);
    QVERIFY(!timer(hint, "TimerScrollDown")->isActive());
    QVERIFY(!timer(hint, "TimerDelay")->isActive());
    QVERIFY(timer(hint, "TimerScrollUp")->isActive());
    QVERIFY(waitUntilResting(hint));
    QVERIFY(!hint.isNull());
    QCOMPARE(hint->SlideHeight(), 117);
    QCOMPARE(label(hint, "LblInfo")->text(), QString("second"));
  }

  void theCloseImageFreesTheWindowAtOnce() {
    QPointer<TFAnimateHint> hint = TFAnimateHint::ShowHintPopup("Hint", "text", kResting);
    QVERIFY(waitUntilResting(hint));
    QTest::mouseClick(label(hint, "ImageClose"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(hint.isNull(), kGuardMs);
    QVERIFY(TFAnimateHint::Current() == nullptr);

    TFAnimateHint* next = TFAnimateHint::ShowHintPopup("Hint", "again", kResting);
    QCOMPARE(next->SlideHeight(), 0);
    QVERIFY(waitUntilResting(next));
  }

  void theRenewLinkReactsToTheMouseAndOpensTheDialog() {
    int opened = 0;
    TFAnimateHint* hint =
        TFAnimateHint::ShowHintPopup("Hint", "text", kResting, [&opened] { ++opened; });
    QLabel* link = label(hint, "LblLoopEvent");
    QVERIFY(link->font().bold() && link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));

    mouseEnters(link);
    QVERIFY(!link->font().bold() && !link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    mouseLeaves(link);
    QVERIFY(!link->font().bold() && link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::ArrowCursor);

    QTest::mouseClick(link, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(opened, 1, kGuardMs);
  }
};

QTEST_MAIN(TestAnimateHint)
#include "test_animate_hint.moc"
