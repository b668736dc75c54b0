#include "gui/DesktopNotifier.h"

#include <QTimer>
#include <chrono>
#include <utility>

#include "gui/UiText.h"

namespace kelbrin::gui {

DesktopNotifier::DesktopNotifier(const runtime::Pace& pace, reminders::ToneFunction tone,
                                 TFAnimateHint::RenewAction onRenew, QDBusConnection bus)
    : pace_(pace),
      onRenew_(std::move(onRenew)),
      desktop_(std::move(bus), onRenew_),
      beep_(std::move(tone)) {}

void DesktopNotifier::ShowHintPopup(const std::string& title, const std::string& text,
                                    runtime::PopupWeight weight) {
  const Popup popup{UiText(title), UiText(text), weight};
  const auto drawn = [this, popup] { Draw(popup); };
  const auto displayTime = std::chrono::duration_cast<std::chrono::milliseconds>(pace_.popupDelay);
  if (!desktop_.Show(popup.title, popup.text, title == "Warning",
                     weight == runtime::PopupWeight::Routine, displayTime, drawn)) {
    drawn();
  }
}

void DesktopNotifier::Draw(Popup popup) {
  if (drawn_ && drawnWeight_ == runtime::PopupWeight::Matters) {
    if (popup.weight == runtime::PopupWeight::Matters) {
      waitingThatMatter_.push_back(std::move(popup));
    } else {
      waitingRoutine_ = std::move(popup);
    }
    return;
  }
  TFAnimateHint* hint = TFAnimateHint::ShowHintPopup(popup.title, popup.text, pace_, onRenew_,
                                                     keepClear_ ? keepClear_() : QRect());
  drawnWeight_ = popup.weight;
  if (hint != drawn_) {
    drawn_ = hint;
    // Once the window is gone for good: the next one is a window of its own.
    QObject::connect(hint, &QObject::destroyed, &lifetime_,
                     [this] { QTimer::singleShot(0, &lifetime_, [this] { DrawNext(); }); });
  }
}

void DesktopNotifier::DrawNext() {
  // A notice told meanwhile may have a window up already: Draw holds the next one back for it.
  if (!waitingThatMatter_.empty()) {
    Popup next = std::move(waitingThatMatter_.front());
    waitingThatMatter_.pop_front();
    Draw(std::move(next));
  } else if (waitingRoutine_) {
    Draw(*std::exchange(waitingRoutine_, std::nullopt));
  }
}

}  // namespace kelbrin::gui
