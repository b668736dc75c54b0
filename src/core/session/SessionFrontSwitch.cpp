#include "session/SessionFrontSwitch.h"

namespace kelbrin::session {

SessionFrontSwitch::~SessionFrontSwitch() { front_->SetViewObserver({}); }

void SessionFrontSwitch::SetViewObserver(std::function<void(const SessionView&)> observer) {
  observer_ = std::move(observer);
  Observe();
}

void SessionFrontSwitch::SetSideObserver(std::function<void()> observer) {
  sideObserver_ = std::move(observer);
  Observe();
}

void SessionFrontSwitch::Observe() {
  if (!observer_ && !sideObserver_) {
    front_->SetViewObserver({});
    return;
  }
  front_->SetViewObserver([this](const SessionView& view) {
    if (observer_) observer_(view);
    if (sideObserver_) sideObserver_();
  });
}

void SessionFrontSwitch::Use(SessionFront& front) {
  if (&front == front_) return;
  front_->SetViewObserver({});
  front_ = &front;
  Observe();
  if (observer_) observer_(front_->View());
}

}  // namespace kelbrin::session
