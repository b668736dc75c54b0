#pragma once

#include <string>

namespace kelbrin::reminders {

// One reminder kind's messages and settings. The dialog's check boxes are not referenced here:
// the dialog model keeps them (LoopEventModel).
struct TEventItem {
  std::string firstText;   // message format, at most one "%s"
  std::string secondText;  // alternative format; only kind 0 has one
  bool popup = false;      // show the notification window ("windows")
  bool sound = false;      // show the notification window and beep ("loudspeaker")
  bool logged = false;     // already written to the event log in this run
};

}  // namespace kelbrin::reminders
