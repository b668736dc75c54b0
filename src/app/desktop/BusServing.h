#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>

#include "platform/bus/BusService.h"

namespace kelbrin::app {

// Serves a published bus object on the Qt main loop: the connection's descriptor is watched for
// what it waits for, and sd-bus's own time-outs are kept with a timer, so nothing polls.
// `lost` runs once the connection is gone for good. Main thread only.
class BusServing final : public QObject {
 public:
  BusServing(platform::BusService& service, std::function<void()> lost);

  // Watches again for what the connection waits for now (after something was sent).
  void Rearm();

 private:
  void Serve();

  platform::BusService& service_;
  std::function<void()> lost_;
  QSocketNotifier read_;
  QSocketNotifier write_;
  QTimer timeout_;
};

}  // namespace kelbrin::app
