#pragma once

#include <functional>
#include <string>

#include "runtime/Notice.h"

namespace kelbrin::runtime {

// The user-facing effects that the core asks for. The desktop window implements them with
// widgets; the headless presenter (service mode, tests) writes each as one line and never blocks.
// Called on the controller's thread only.
class Presenter {
 public:
  virtual ~Presenter() = default;

  // The sliding notification window at the bottom right of the screen.
  virtual void ShowHintPopup(const std::string& title, const std::string& text) = 0;
  // The same popup for a notice told by Tell, with its weight; a front-end that keeps the
  // popups that matter from being replaced overrides it. By default, ShowHintPopup.
  virtual void ShowNoticePopup(const std::string& title, const std::string& text,
                               PopupWeight /*weight*/) {
    ShowHintPopup(title, text);
  }
  // The three-tone beep pattern, `repetitions` times; ignored while a beep still plays.
  virtual void StartBeep(int repetitions) = 0;
  // The short system sound of the login command.
  virtual void MessageBeep() = 0;
  // An error box (error icon, OK) with `caption`; modal on the desktop, a line in service mode.
  virtual void ShowErrorBox(const std::string& caption, const std::string& text) = 0;
  // The same box; `closed` runs once the user has closed it. Where nothing waits for the user
  // (service mode), that is at once.
  virtual void ShowErrorBoxThen(const std::string& caption, const std::string& text,
                                std::function<void()> closed) {
    ShowErrorBox(caption, text);
    if (closed) closed();
  }
  // An information box (information icon, OK) with `caption`, e.g. "Tip".
  virtual void ShowInfoBox(const std::string& caption, const std::string& text) = 0;
  // Brings the main window up (restored from the tray).
  virtual void ShowMainWindow() = 0;
  // Switches the main window to its "Network Setting" page, where the line is set up (the
  // stored line could not be started). Nothing where there is no window.
  virtual void ShowNetworkSettings() {}

  // Tells the user `notice` with the effects above (the one rule for every front-end; see
  // Notice.h). `closed` runs once the user has read it: when a Failure's box closes, at once for
  // every other kind.
  virtual void Tell(const Notice& notice, std::function<void()> closed = {});
};

}  // namespace kelbrin::runtime
