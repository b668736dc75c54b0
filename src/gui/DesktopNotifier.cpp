#include "gui/DesktopNotifier.h"

#include "gui/UiText.h"

namespace kelbrin::gui {

DesktopNotifier::DesktopNotifier(const runtime::Pace& pace, reminders::ToneFunction tone,
                                 TFAnimateHint::RenewAction onRenew)
    : pace_(pace), onRenew_(std::move(onRenew)), beep_(std::move(tone)) {}

void DesktopNotifier::ShowHintPopup(const std::string& title, const std::string& text) {
  TFAnimateHint::ShowHintPopup(UiText(title), UiText(text), pace_, onRenew_);
}

}  // namespace kelbrin::gui
