#pragma once

#include <string>

namespace kelbrin::reminders {

// NotifyEvent as its callers see it: the window's check boxes, the reminder checks, the session.
// Controller's thread only.
class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void NotifyEvent(int kind, const std::string& text, int selector = 0,
                           const std::string& argument = {}) = 0;
};

}  // namespace kelbrin::reminders
