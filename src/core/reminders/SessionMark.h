#pragma once

namespace kelbrin::reminders {

// The session mark as the reminders see it: the dispatcher stays silent unless a session is
// logged in. The session controller implements it.
class SessionMark {
 public:
  virtual ~SessionMark() = default;
  virtual bool IsOnline() const = 0;
};

}  // namespace kelbrin::reminders
