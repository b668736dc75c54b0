#include "reminders/EventDispatcher.h"

#include <stdexcept>
#include <string_view>

#include "runtime/Translate.h"

namespace kelbrin::reminders {

namespace {

std::string Format(std::string_view format, const std::string& argument) {
  std::string message(format);
  if (const std::size_t at = message.find("%s"); at != std::string::npos) {
    message.replace(at, 2, argument);
  }
  return message;
}

}  // namespace

EventDispatcher::EventDispatcher(const SessionMark& session, EventItems& items,
                                 eventlog::EventLog& log, runtime::Presenter& presenter)
    : session_(session), items_(items), log_(log), presenter_(presenter) {}

void EventDispatcher::NotifyEvent(int kind, const std::string& text, int selector,
                                  const std::string& argument) {
  if (!session_.IsOnline()) return;
  if (kind == kNotifyTextKind) {
    log_.AddLog(eventlog::kLogTip, text);
    presenter_.Tell({runtime::NoticeKind::News, text});
    return;
  }
  if (kind < 0 || kind >= kEventKindCount) throw std::out_of_range("NotifyEvent: no such kind");

  TEventItem& item = items_[kind];
  const bool second = kind == 0 && selector != 0;
  const std::string message =
      Format(runtime::Translate(second ? item.secondText : item.firstText), argument);
  const bool hint = kEventKinds[static_cast<std::size_t>(kind)].eventClass == TEventClass::Hint;

  if (!item.logged) {
    log_.AddLog(hint ? eventlog::kLogTip : eventlog::kLogWarning, message);
    item.logged = true;
  }
  if (item.sound || item.popup) {
    presenter_.Tell({hint ? runtime::NoticeKind::Reminder : runtime::NoticeKind::WarningReminder,
                     message, item.sound});
  }
}

}  // namespace kelbrin::reminders
