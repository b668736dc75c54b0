#pragma once

#include <cstdint>
#include <string>

namespace kelbrin::runtime {

// Something the user is to be told now, said by what it is rather than how it is shown. The one
// rule that turns it into popups, beeps and boxes is Presenter::Tell, so the window of a session
// of its own, the service's journal and a desktop attached to the service all show it alike. The
// numbers are the bus's (the Notice signal of net.kelbrin.Client1): never renumber.
enum class NoticeKind : std::uint32_t {
  News = 0,             // something happened: a "Hint" popup
  Tip = 1,              // a "Tip" popup
  Answer = 2,           // the answer to the user's own action: the short sound and a "Tip" popup
  Reminder = 3,         // a due reminder: a "Hint" popup, the reminder beeps when loud
  WarningReminder = 4,  // a due warning: a "Warning" popup, the reminder beeps when loud
  ConnectionLost = 5,   // the session ended with the connection: a "Tip" popup, six beeps when loud
  LineProblem = 6,      // the stored line cannot be used: a "Tip" popup and the line's settings
  Failure = 7,          // an error the user must acknowledge: an "Error" box
};
inline constexpr std::uint32_t kNoticeKindCount = 8;

// How a notice's popup stands against the next ones: a routine one (news such as an address
// update) gives way to whatever comes after it; one that matters (a warning, a lost line or
// connection, a refusal, the service handing over) is not replaced by a routine one.
enum class PopupWeight { Routine, Matters };

constexpr PopupWeight PopupWeightOf(NoticeKind kind) {
  return kind == NoticeKind::News ? PopupWeight::Routine : PopupWeight::Matters;
}

struct Notice {
  NoticeKind kind = NoticeKind::News;
  std::string text;
  // The user's reminder settings ask for a sound.
  bool loud = false;
};

}  // namespace kelbrin::runtime
