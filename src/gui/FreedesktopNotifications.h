#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <chrono>
#include <functional>

class QDBusPendingCallWatcher;

namespace kelbrin::gui {

// The desktop's own notifications, where a notification server owns
// org.freedesktop.Notifications on the session bus: a routine one replaces the routine one before
// rather than stacking and expires after the given display time; one that matters replaces
// nothing and lasts as long as the server keeps such notifications. Each carries the program's
// name and icon and offers the popup's "Renew reminder!" as an action. Main thread only.
class FreedesktopNotifications final : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kService = "org.freedesktop.Notifications";
  static constexpr const char* kPath = "/org/freedesktop/Notifications";
  static constexpr const char* kAppName = "Kelbrin client";
  static constexpr const char* kIconName = "net.kelbrin.KelbrinClient";
  static constexpr const char* kRenewAction = "renew";

  // Called when the server reports the notification shown could not be (it answered an error):
  // the caller shows it another way.
  using Fallback = std::function<void()>;

  FreedesktopNotifications(QDBusConnection bus, std::function<void()> onRenew,
                           QObject* parent = nullptr);

  // Whether a server owns the name on the bus now.
  bool ServerPresent() const;
  // Sends a notification; `urgent` marks an error, `routine` one that the next routine one
  // replaces. False when no server owns the name (nothing was sent).
  bool Show(const QString& summary, const QString& body, bool urgent, bool routine,
            std::chrono::milliseconds displayTime, Fallback fallback);
  // The server's id of the routine notification shown (0: none), which the next one replaces.
  uint RoutineId() const { return routineId_; }

 private Q_SLOTS:
  void ActionInvoked(uint id, const QString& actionKey);
  void NotificationClosed(uint id, uint reason);

 private:
  QDBusConnection bus_;
  std::function<void()> onRenew_;
  uint routineId_ = 0;  // the server's id of the routine notification shown, to replace it
  QSet<uint> shown_;    // the ids of ours still shown, whose action is taken
};

}  // namespace kelbrin::gui
