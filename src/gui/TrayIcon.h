#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace kelbrin::gui {

// CoolTrayIcon: the icon in the notification area with its menu suiPopupMenu1. The session
// state picks the icon (index 0 logged out, 3 online) and the tooltip. A left click emits
// clicked(); the menu's items emit the other signals. Main thread only.
class TrayIcon final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kOfflineIcon = 0;
  static constexpr int kOnlineIcon = 3;

  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // Index into the tray image list; any index but kOnlineIcon shows the logged-out look.
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
  int iconIndex_ = kOfflineIcon;
};

}  // namespace kelbrin::gui
