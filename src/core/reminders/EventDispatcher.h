#pragma once

#include <string>

#include "eventlog/EventLog.h"
#include "reminders/EventItems.h"
#include "reminders/SessionMark.h"
#include "runtime/Presenter.h"

namespace kelbrin::reminders {

// NotifyEvent: the one way reminders and the client's free-text notifications reach the user.
// Controller's thread only.
class EventDispatcher {
 public:
  EventDispatcher(const SessionMark& session, EventItems& items, eventlog::EventLog& log,
                  runtime::Presenter& presenter);

  // Nothing at all while no session is logged in. Kind 10 (kNotifyTextKind): `text` is logged as
  // a tip and popped up under "Hint", every time. Kinds 0..9: the kind's first text (its second
  // when kind 0 comes with a `selector` other than 0) with "%s" replaced by `argument`; logged the
  // first time in the run; then a popup with a beep, a popup alone or nothing, as the kind's
  // flags say. Throws std::out_of_range for any other kind.
  void NotifyEvent(int kind, const std::string& text, int selector = 0,
                   const std::string& argument = {});

 private:
  const SessionMark& session_;
  EventItems& items_;
  eventlog::EventLog& log_;
  runtime::Presenter& presenter_;
};

}  // namespace kelbrin::reminders
