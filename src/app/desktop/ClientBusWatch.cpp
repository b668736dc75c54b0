#include "app/desktop/ClientBusWatch.h"

#include <QDBusConnectionInterface>
#include <utility>

#include "app/bus/ClientInterface.h"

namespace kelbrin::app {

ClientBusWatch::ClientBusWatch(BusEvent appeared, BusEvent left)
    : appeared_(std::move(appeared)), left_(std::move(left)) {}

ClientBusWatch::~ClientBusWatch() = default;

std::vector<QDBusConnection> ClientBusWatch::Start(const std::vector<QDBusConnection>& buses) {
  const QString name = QString::fromLatin1(kClientBusName);
  std::vector<QDBusConnection> running;
  for (const QDBusConnection& bus : buses) {
    if (!bus.isConnected()) continue;
    auto watcher = std::make_unique<QDBusServiceWatcher>(
        name, bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    connect(watcher.get(), &QDBusServiceWatcher::serviceRegistered, this,
            [this, bus] { appeared_(bus); });
    connect(watcher.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            [this, bus] { left_(bus); });
    watchers_.push_back(std::move(watcher));
    if (bus.interface()->isServiceRegistered(name).value()) running.push_back(bus);
  }
  return running;
}

}  // namespace kelbrin::app
