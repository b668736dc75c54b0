#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>

#include "runtime/Pace.h"

class QLabel;
class QTimer;

namespace kelbrin::gui {

class WrappingLabel;

// The notification window: slides up out of the bottom of the screen's work area at its
// right-hand side (above the tray icon where that is in the way), stays for the delay (longer
// while the mouse rests on it; a pointer only passing over does not hold it), slides back down
// and frees itself. There is at most one; a new notification reuses it and restarts its show.
// Lives on the main thread only.
class TFAnimateHint final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 182;
  static constexpr int kTargetHeight = 117;
  static constexpr int kSlideStepPx = 5;
  // Where the message goes: inside the message panel of the background picture.
  static constexpr QRect kInfoArea{8, 31, 166, 62};

  // The "Renew reminder!" link's action: show the reminder dialog unless it already shows.
  using RenewAction = std::function<void()>;

  // Pixels kept between the window and the area it keeps clear of.
  static constexpr int kClearance = 4;

  // Shows `text` under `title` in the one notification window, creating it when there is none.
  // Slide steps and the delay come from `pace`; the window stays clear of `keepClear` (the tray
  // icon's place on the screen; empty: nothing to avoid).
  static TFAnimateHint* ShowHintPopup(const QString& title, const QString& text,
                                      const runtime::Pace& pace, RenewAction onRenew = {},
                                      QRect keepClear = {});
  // The window now shown, or null.
  static TFAnimateHint* Current();

  ~TFAnimateHint() override;

  // The height the window has reached in its slide (0 when hidden below the work area).
  int SlideHeight() const { return height_; }
  int SlideTop() const { return top_; }
  bool MouseInside() const { return mouseInside_; }
  // The pointer has stayed still on the window for a while: only then it holds the window.
  bool mouseResting() const { return mouseResting_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TFAnimateHint(const runtime::Pace& pace);

  void StartShowSequence();
  void TimerScrollUpTimer();
  void TimerDelayTimer();
  void TimerScrollDownTimer();
  void ApplyGeometry();
  int restingBottom() const;
  void SetLinkHovered(bool hovered);

  static QPointer<TFAnimateHint> current_;

  runtime::Pace pace_;
  RenewAction onRenew_;
  int height_ = 0;
  int top_ = 0;
  bool mouseInside_ = false;
  bool mouseResting_ = false;
  QRect keepClear_;
  QImage background_;
  QLabel* closeImage_;
  QLabel* LblTitle;
  WrappingLabel* LblInfo;
  QLabel* LblLoopEvent;
  QTimer* TimerScrollUp;
  QTimer* TimerScrollDown;
  QTimer* TimerDelay;
  QTimer* TimerRest;  // the pointer's stillness before it holds the window
};

}  // namespace kelbrin::gui
