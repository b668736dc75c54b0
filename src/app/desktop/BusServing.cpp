#include "app/desktop/BusServing.h"

#include <poll.h>

#include <utility>

namespace kelbrin::app {

BusServing::BusServing(platform::BusService& service, std::function<void()> lost)
    : service_(service),
      lost_(std::move(lost)),
      read_(service.Fd(), QSocketNotifier::Read),
      write_(service.Fd(), QSocketNotifier::Write) {
  timeout_.setSingleShot(true);
  connect(&read_, &QSocketNotifier::activated, this, [this] { Serve(); });
  connect(&write_, &QSocketNotifier::activated, this, [this] { Serve(); });
  connect(&timeout_, &QTimer::timeout, this, [this] { Serve(); });
  Serve();  // what came with the name
}

void BusServing::Serve() {
  if (!service_.Process()) {
    read_.setEnabled(false);
    write_.setEnabled(false);
    timeout_.stop();
    if (lost_) lost_();
    return;
  }
  Rearm();
}

void BusServing::Rearm() {
  write_.setEnabled((service_.Events() & POLLOUT) != 0);
  if (const auto wait = service_.Timeout()) {
    timeout_.start(*wait);
  } else {
    timeout_.stop();
  }
}

}  // namespace kelbrin::app
