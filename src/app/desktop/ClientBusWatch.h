#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace kelbrin::app {

// Follows the running client service's name on the session bus and on the system bus
// (NameOwnerChanged, so nothing is polled): `appeared` when it gets an owner on a bus (a new
// one too), `left` when it loses it there. Main thread only.
class ClientBusWatch final : public QObject {
  Q_OBJECT

 public:
  using BusEvent = std::function<void(const QDBusConnection& bus)>;
  ClientBusWatch(BusEvent appeared, BusEvent left);
  ~ClientBusWatch() override;

  // Starts watching those of `buses` that are connected; returns those on which the service
  // runs now, in the order given.
  std::vector<QDBusConnection> Start(const std::vector<QDBusConnection>& buses);

 private:
  BusEvent appeared_;
  BusEvent left_;
  std::vector<std::unique_ptr<QDBusServiceWatcher>> watchers_;
};

}  // namespace kelbrin::app
