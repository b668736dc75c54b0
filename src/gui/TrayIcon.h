#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace kelbrin::gui {

// CoolTrayIcon: the icon in the notification area with its menu suiPopupMenu1. The session
// state picks the icon (index 0 logged out, 1 logged in while the service does not answer,
// 3 online) and the tooltip. A left click emits
// clicked(); the menu's items emit the other signals. Main thread only.
//
// Many Linux desktops have no notification area (no tray host). While there is none, the icon
// cannot be seen; the host probe is asked again on a slow timer, and when a host appears the icon
// is put into it.
class TrayIcon final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kOfflineIcon = 0;
  static constexpr int kConnectionFailsIcon = 1;
  static constexpr int kOnlineIcon = 3;
  static constexpr int kHostWatchMs = 2000;

  // Whether a tray host is there Now (QSystemTrayIcon::isSystemTrayAvailable for the desktop).
  using HostProbe = std::function<bool()>;

  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // Replaces the probe (tests); the watch follows the new probe's answer.
  void SetHostProbe(HostProbe probe);
  // Asks the probe now; starts the watch for a host when there is none, and puts the icon into a
  // host that has appeared since the last look.
  bool HostPresent();
  // The icon is meant to show and a host shows it (what the user can see), asked now.
  bool IsShown();

  // Index into the tray image list; kConnectionFailsIcon shows the online look dimmed, any other
  // index but kOnlineIcon the logged-out look.
  void SetState(int iconIndex, const QString& hint);
  int IconIndex() const { return iconIndex_; }
  QString Hint() const;
  void Show();

  QSystemTrayIcon* CoolTrayIcon() const { return icon_; }
  QMenu* PopupMenu() const { return menu_; }

 Q_SIGNALS:
  void clicked();
  void mainFormRequested();  // "MainForm(&M)"
  void visitRequested();     // "Visit Kelbrin(&W)"
  void aboutRequested();     // "About (&A)..."
  void quitRequested();      // "Quit (&X)"

 private:
  QMenu* menu_;
  QSystemTrayIcon* icon_;
  QIcon offline_;
  QIcon online_;
  QIcon connectionFails_;
  int iconIndex_ = kOfflineIcon;
  HostProbe probe_;
  bool hostPresent_ = false;
  QTimer* hostWatch_;  // TrayHostWatch
};

}  // namespace kelbrin::gui
