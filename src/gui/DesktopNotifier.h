#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "gui/FreedesktopNotifications.h"
#include "gui/TFAnimateHint.h"
#include "reminders/TBeepThread.h"
#include "runtime/Notice.h"
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

  // Texts are UTF-8. A "Warning" is urgent. A routine popup replaces only a routine one; one
  // that matters stays until it is read or expires: with a notification server it replaces
  // nothing, and the drawn window shows it to its end before the next one (the routine ones
  // waiting meanwhile are reduced to the newest).
  void ShowHintPopup(const std::string& title, const std::string& text,
                     runtime::PopupWeight weight = runtime::PopupWeight::Matters);
  // Ignored while a beep still plays.
  void StartBeep(int repetitions) { beep_.StartBeep(repetitions); }

  const FreedesktopNotifications& Desktop() const { return desktop_; }

 private:
  struct Popup {
    QString title, text;
    runtime::PopupWeight weight;
  };
  void Draw(Popup popup);
  void DrawNext();

  runtime::Pace pace_;
  TFAnimateHint::RenewAction onRenew_;
  std::function<QRect()> keepClear_;
  FreedesktopNotifications desktop_;
  reminders::BeepPlayer beep_;
  // The drawn window and the weight of what it shows; what waits for it to go.
  QPointer<TFAnimateHint> drawn_;
  runtime::PopupWeight drawnWeight_ = runtime::PopupWeight::Routine;
  std::deque<Popup> waitingThatMatter_;
  std::optional<Popup> waitingRoutine_;
  QObject lifetime_;  // ends the window's calls back when the notifier goes
};

}  // namespace kelbrin::gui
