#include "gui/DesktopNotifier.h"

#include <chrono>
#include "gui/UiText.h"

namespace kelbrin::gui {

DesktopNotifier::DesktopNotifier(const runtime::Pace& pace, reminders::ToneFunction tone,
                                 TFAnimateHint::RenewAction onRenew, QDBusConnection bus)
    : pace_(pace),
      onRenew_(std::move(onRenew)),
      desktop_(std::move(bus), onRenew_),
      beep_(std::move(tone)) {}

void DesktopNotifier::ShowHintPopup(const std::string& title, const std::string& text) {
  const QString summary = UiText(title);
  const QString body = UiText(text);
  const auto drawn = [this, summary, body] {
    TFAnimateHint::ShowHintPopup(summary, body, pace_, onRenew_,
                                 keepClear_ ? keepClear_() : QRect());
  };
  const auto displayTime = std::chrono::duration_cast<std::chrono::milliseconds>(pace_.popupDelay);
  if (!desktop_.Show(summary, body, title == "Warning", displayTime, drawn)) drawn();
}

}  // namespace kelbrin::gui
