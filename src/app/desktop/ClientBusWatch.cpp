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
    // A new owner is news also when it took the name from the one before (a service taking it
    // from a desktop's own session).
    auto watcher =
        std::make_unique<QDBusServiceWatcher>(name, bus, QDBusServiceWatcher::WatchForOwnerChange);
    connect(watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this, bus](const QString&, const QString&, const QString& newOwner) {
              if (newOwner.isEmpty()) {
                left_(bus);
              } else {
                appeared_(bus);
              }
            });
    watchers_.push_back(std::move(watcher));
    if (bus.interface()->isServiceRegistered(name).value()) running.push_back(bus);
  }
  return running;
}

}  // namespace kelbrin::app
