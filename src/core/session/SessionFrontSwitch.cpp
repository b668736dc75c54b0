#include "session/SessionFrontSwitch.h"

namespace kelbrin::session {

SessionFrontSwitch::~SessionFrontSwitch() { front_->SetViewObserver({}); }

void SessionFrontSwitch::SetViewObserver(std::function<void(const SessionView&)> observer) {
  observer_ = std::move(observer);
  front_->SetViewObserver(observer_);
}

void SessionFrontSwitch::Use(SessionFront& front) {
  if (&front == front_) return;
  front_->SetViewObserver({});
  front_ = &front;
  front_->SetViewObserver(observer_);
  if (observer_) observer_(front_->View());
}

}  // namespace kelbrin::session
