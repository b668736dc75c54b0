#include "gui/TFAnimateHint.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "gui/JpegImage.h"
#include "gui/ProgramFont.h"
#include "gui/UiText.h"
#include "gui/WrappingLabel.h"

namespace kelbrin::gui {

namespace {

const QColor kFrameColour(0x1f, 0x3f, 0x77);

QFont LinkFont(QFont font, bool bold, bool underline) {
  font.setBold(bold);
  font.setUnderline(underline);
  return font;
}

QRect WorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

int ToMs(runtime::Duration d) {
  return static_cast<int>(std::clamp<runtime::Duration::rep>(d.count(), 1, 24 * 3600 * 1000));
}

QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs) {
  auto* timer = new QTimer(parent);
  timer->setObjectName(QString::fromLatin1(name));
  timer->setTimerType(Qt::PreciseTimer);
  timer->setInterval(intervalMs);
  return timer;
}

}  // namespace

QPointer<TFAnimateHint> TFAnimateHint::current_;

TFAnimateHint* TFAnimateHint::ShowHintPopup(const QString& title, const QString& text,
                                            const runtime::Pace& pace, RenewAction onRenew,
                                            QRect keepClear) {
  if (!current_) current_ = new TFAnimateHint(pace);
  TFAnimateHint* hint = current_;
  hint->pace_ = pace;
  hint->keepClear_ = keepClear;
  hint->onRenew_ = std::move(onRenew);
  hint->LblTitle->setText(title);
  hint->LblInfo->SetWholeText(text);
  hint->StartShowSequence();
  return hint;
}

TFAnimateHint* TFAnimateHint::Current() { return current_; }

TFAnimateHint::TFAnimateHint(const runtime::Pace& pace)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      pace_(pace),
      background_(JpegImage::FromResource(QStringLiteral("ANIMATE_BKGROUND_BMP"))),
      closeImage_(new QLabel(this)),
      LblTitle(new QLabel(this)),
      LblInfo(new WrappingLabel(this)),
      LblLoopEvent(new QLabel(UiText("Renew reminder!"), this)),
      TimerScrollUp(MakeTimer(this, "TimerScrollUp", ToMs(pace.popupSlideStep))),
      TimerScrollDown(MakeTimer(this, "TimerScrollDown", ToMs(pace.popupSlideStep))),
      TimerDelay(MakeTimer(this, "TimerDelay", ToMs(pace.popupDelay))),
      TimerRest(MakeTimer(this, "TimerRest", ToMs(pace.popupDelay / 10))) {
  setObjectName(QStringLiteral("TFAnimateHint"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  // The window never becomes active; its hints (the close button's "Close") show all the same.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setFont(ProgramFont());
  setMouseTracking(true);
  TimerRest->setSingleShot(true);
  const QRect area = WorkArea();
  move(area.right() + 1 - kWidth - 20, area.bottom() + 1);

  const QImage closePicture = JpegImage::FromResource(QStringLiteral("ANIMATE_CLOSE_BMP"));
  closeImage_->setObjectName(QStringLiteral("ImageClose"));
  closeImage_->setPixmap(QPixmap::fromImage(closePicture));
  closeImage_->setFixedSize(closePicture.size());
  closeImage_->setToolTip(UiText("Close"));
  closeImage_->setCursor(Qt::PointingHandCursor);
  closeImage_->installEventFilter(this);

  LblTitle->setObjectName(QStringLiteral("LblTitle"));
  LblInfo->setObjectName(QStringLiteral("LblInfo"));
  LblInfo->setAlignment(Qt::AlignCenter);
  LblInfo->setGeometry(kInfoArea);
  for (QLabel* label : {LblTitle, static_cast<QLabel*>(LblInfo)}) {
    label->setStyleSheet(QStringLiteral("color: black"));  // on the light picture, any theme
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
  }

  LblLoopEvent->setObjectName(QStringLiteral("LblLoopEvent"));
  LblLoopEvent->setStyleSheet(QStringLiteral("color: #0000ff"));
  LblLoopEvent->setFont(LinkFont(font(), /*bold=*/true, /*underline=*/true));
  LblLoopEvent->adjustSize();  // sized for the bold face, the widest it gets
  LblLoopEvent->move(10, 99);
  LblLoopEvent->installEventFilter(this);

  connect(TimerScrollUp, &QTimer::timeout, this, &TFAnimateHint::TimerScrollUpTimer);
  connect(TimerDelay, &QTimer::timeout, this, &TFAnimateHint::TimerDelayTimer);
  connect(TimerScrollDown, &QTimer::timeout, this, &TFAnimateHint::TimerScrollDownTimer);
  connect(TimerRest, &QTimer::timeout, this, [this] { mouseResting_ = mouseInside_; });
}

TFAnimateHint::~TFAnimateHint() = default;  // current_ is a QPointer: it clears itself

void TFAnimateHint::StartShowSequence() {
  // A show that arrives while the window slides down ends that slide: the new message gets a
  // full show instead of two slides working against each other.
  TimerScrollDown->stop();
  TimerDelay->stop();
  TimerScrollUp->stop();

  height_ = 0;
  top_ = restingBottom() + 2;  // just out of sight
  TimerDelay->setInterval(ToMs(pace_.popupDelay));
  TimerRest->setInterval(ToMs(pace_.popupDelay / 10));
  TimerScrollUp->setInterval(ToMs(pace_.popupSlideStep));
  TimerScrollDown->setInterval(ToMs(pace_.popupSlideStep));

  closeImage_->move(kWidth - closeImage_->width() - 6, 7);
  LblTitle->move(28, 7);
  LblTitle->adjustSize();
  LblTitle->setFixedWidth(kWidth - 28 - closeImage_->width() - 10);
  LblInfo->setGeometry(kInfoArea);
  LblLoopEvent->setFont(LinkFont(font(), /*bold=*/true, /*underline=*/true));
  LblLoopEvent->unsetCursor();

  ApplyGeometry();
  show();
  TimerScrollUp->start();
}

// The line the window grows up from: the bottom of the work area, or just above the area to
// keep clear where the window's column would cover it.
int TFAnimateHint::restingBottom() const {
  const QRect area = WorkArea();
  const int left = area.right() + 1 - kWidth - 10;
  int bottom = area.bottom() + 1;
  const QRect column(left, area.top(), kWidth, area.height());
  if (!keepClear_.isEmpty() && column.intersects(keepClear_) &&
      keepClear_.top() < bottom + kClearance) {
    bottom = std::max(area.top() + kTargetHeight, keepClear_.top() - kClearance);
  }
  return bottom;
}

void TFAnimateHint::ApplyGeometry() {
  const int left = WorkArea().right() + 1 - kWidth - 10;
  // A window cannot be 0 pixels high; at 0 it is one line below the work area, out of sight.
  setGeometry(left, top_, kWidth, std::max(height_, 1));
}

void TFAnimateHint::TimerScrollUpTimer() {
  if (height_ < kTargetHeight) {
    height_ += kSlideStepPx;
    top_ -= kSlideStepPx;
    ApplyGeometry();
    return;
  }
  height_ = kTargetHeight;
  ApplyGeometry();
  TimerScrollUp->stop();
  TimerDelay->start();
}

void TFAnimateHint::TimerDelayTimer() {
  // Keeps running: the slide down pauses while the mouse rests inside and resumes after it left.
  if (mouseInside_ && mouseResting_) {
    TimerScrollDown->stop();
  } else if (!TimerScrollDown->isActive()) {
    TimerScrollDown->start();
  }
}

void TFAnimateHint::TimerScrollDownTimer() {
  if (height_ <= 0) {
    TimerScrollDown->stop();
    close();
    return;
  }
  height_ -= kSlideStepPx;
  top_ += kSlideStepPx;
  ApplyGeometry();
}

void TFAnimateHint::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kFrameColour);
  painter.drawImage(1, 1, background_);
}

void TFAnimateHint::enterEvent(QEnterEvent* event) {
  mouseInside_ = true;
  mouseResting_ = false;
  TimerRest->start();
  QWidget::enterEvent(event);
}

void TFAnimateHint::leaveEvent(QEvent* event) {
  mouseInside_ = false;
  mouseResting_ = false;
  TimerRest->stop();
  QWidget::leaveEvent(event);
}

void TFAnimateHint::mouseMoveEvent(QMouseEvent* event) {
  mouseResting_ = false;
  TimerRest->start();
  QWidget::mouseMoveEvent(event);
}

void TFAnimateHint::SetLinkHovered(bool hovered) {
  LblLoopEvent->setFont(LinkFont(font(), /*bold=*/false, /*underline=*/!hovered));
  if (hovered) {
    LblLoopEvent->setCursor(Qt::PointingHandCursor);
  } else {
    LblLoopEvent->unsetCursor();
  }
}

bool TFAnimateHint::eventFilter(QObject* watched, QEvent* event) {
  const bool leftClick = event->type() == QEvent::MouseButtonRelease &&
                         static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
  if (watched == closeImage_ && leftClick) {
    close();
    return true;
  }
  if (watched == LblLoopEvent) {
    if (event->type() == QEvent::Enter) SetLinkHovered(true);
    if (event->type() == QEvent::Leave) SetLinkHovered(false);
    if (leftClick && onRenew_) {
      // The dialog is modal and this window may close under it, so it opens from the main
      // loop, outside this window's event handling.
      QTimer::singleShot(0, qApp, onRenew_);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelbrin::gui
