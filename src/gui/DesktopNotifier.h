#pragma once

#include <QDBusConnection>
#include <QRect>
#include <functional>
#include <string>

#include "gui/FreedesktopNotifications.h"
#include "gui/TFAnimateHint.h"
#include "reminders/TBeepThread.h"
#include "runtime/Pace.h"

namespace kelbrin::gui {

// The desktop's notification effects, for the main window's presenter: the desktop's own
// notifications where a notification server runs on the session bus, else the sliding
// notification window; and the beep. Main thread only; joins a beep in progress when destroyed.
class DesktopNotifier {
 public:
  // `tone` plays one tone (platform::PlayTone in the program); `onRenew` is the popup link's
  // action (the reminder dialog, shown modally unless it already shows). `bus` is where a
  // notification server is looked for.
  DesktopNotifier(const runtime::Pace& pace, reminders::ToneFunction tone,
                  TFAnimateHint::RenewAction onRenew,
                  QDBusConnection bus = QDBusConnection::sessionBus());

  // Where the drawn window must not come (the tray icon's place on the screen).
  void SetKeepClear(std::function<QRect()> keepClear) { keepClear_ = std::move(keepClear); }

  // Texts are UTF-8. A "Warning" is urgent.
  void ShowHintPopup(const std::string& title, const std::string& text);
  // Ignored while a beep still plays.
  void StartBeep(int repetitions) { beep_.StartBeep(repetitions); }

  const FreedesktopNotifications& Desktop() const { return desktop_; }

 private:
  runtime::Pace pace_;
  TFAnimateHint::RenewAction onRenew_;
  std::function<QRect()> keepClear_;
  FreedesktopNotifications desktop_;
  reminders::BeepPlayer beep_;
};

}  // namespace kelbrin::gui
