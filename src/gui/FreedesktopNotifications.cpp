#include "gui/FreedesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "gui/UiText.h"

namespace kelbrin::gui {

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The urgency levels of the notification protocol.
constexpr uchar kLowUrgency = 0;
constexpr uchar kNormalUrgency = 1;
constexpr uchar kCriticalUrgency = 2;
// The expiry that leaves it to the server (which keeps urgent ones until they are read).
constexpr qint32 kServerExpiry = -1;

}  // namespace

FreedesktopNotifications::FreedesktopNotifications(QDBusConnection bus,
                                                   std::function<void()> onRenew, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), onRenew_(std::move(onRenew)) {
  if (!bus_.isConnected()) return;
  const QString service = QString::fromLatin1(kService);
  const QString path = QString::fromLatin1(kPath);
  bus_.connect(service, path, kInterface, QStringLiteral("ActionInvoked"), this,
               SLOT(ActionInvoked(uint, QString)));
  bus_.connect(service, path, kInterface, QStringLiteral("NotificationClosed"), this,
               SLOT(NotificationClosed(uint, uint)));
}

bool FreedesktopNotifications::ServerPresent() const {
  if (!bus_.isConnected() || bus_.interface() == nullptr) return false;
  const QDBusReply<bool> owned =
      bus_.interface()->isServiceRegistered(QString::fromLatin1(kService));
  return owned.isValid() && owned.value();
}

bool FreedesktopNotifications::Show(const QString& summary, const QString& body, bool urgent,
                                    bool routine, std::chrono::milliseconds displayTime,
                                    Fallback fallback) {
  if (!ServerPresent()) return false;
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                     kInterface, QStringLiteral("Notify"));
  const uchar urgency = urgent ? kCriticalUrgency : routine ? kLowUrgency : kNormalUrgency;
  const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(urgency)},
                          {QStringLiteral("desktop-entry"), QString::fromLatin1(kIconName)}};
  const QStringList actions{QString::fromLatin1(kRenewAction), UiText("Renew reminder!")};
  call << QString::fromLatin1(kAppName) << (routine ? routineId_ : 0u)
       << QString::fromLatin1(kIconName) << summary << body << actions << hints
       << (routine ? static_cast<qint32>(displayTime.count()) : kServerExpiry);
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, routine, fallback = std::move(fallback)](QDBusPendingCallWatcher* done) {
            const QDBusPendingReply<uint> reply = *done;
            done->deleteLater();
            if (reply.isError()) {
              if (routine) routineId_ = 0;
              if (fallback) fallback();
              return;
            }
            shown_.insert(reply.value());
            if (routine) routineId_ = reply.value();
          });
  return true;
}

void FreedesktopNotifications::ActionInvoked(uint id, const QString& actionKey) {
  if (shown_.contains(id) && actionKey == QLatin1String(kRenewAction) && onRenew_) onRenew_();
}

void FreedesktopNotifications::NotificationClosed(uint id, uint) {
  shown_.remove(id);
  if (id == routineId_) routineId_ = 0;  // nothing left to replace
}

}  // namespace kelbrin::gui
