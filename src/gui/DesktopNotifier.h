#pragma once

#include <string>

#include "gui/TFAnimateHint.h"
#include "reminders/TBeepThread.h"
#include "runtime/Pace.h"

namespace kelbrin::gui {

// The desktop's notification effects, for the main window's presenter: the sliding
// notification window and the beep. Main thread only; joins a beep in progress when destroyed.
class DesktopNotifier {
 public:
  // `tone` plays one tone (platform::PlayTone in the program); `onRenew` is the popup link's
  // action (the reminder dialog, shown modally unless it already shows).
  DesktopNotifier(const runtime::Pace& pace, reminders::ToneFunction tone,
                  TFAnimateHint::RenewAction onRenew);

  // Texts are UTF-8.
  void ShowHintPopup(const std::string& title, const std::string& text);
  // Ignored while a beep still plays.
  void StartBeep(int repetitions) { beep_.StartBeep(repetitions); }

 private:
  runtime::Pace pace_;
  TFAnimateHint::RenewAction onRenew_;
  reminders::BeepPlayer beep_;
};

}  // namespace kelbrin::gui
