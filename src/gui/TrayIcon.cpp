#include "gui/TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "gui/JpegImage.h"
#include "gui/UiText.h"

namespace kelbrin::gui {

namespace {

// `icon` as drawn disabled, in each of its sizes.
QIcon Dimmed(const QIcon& icon) {
  QIcon dimmed;
  QList<QSize> sizes = icon.availableSizes();
  if (sizes.isEmpty()) sizes = {QSize(32, 32)};
  for (const QSize& size : sizes) dimmed.addPixmap(icon.pixmap(size, QIcon::Disabled));
  return dimmed;
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      menu_(new QMenu),
      icon_(new QSystemTrayIcon(this)),
      offline_(ProgramIcon(QStringLiteral("TRAY_OFFLINE"))),
      online_(ProgramIcon(QStringLiteral("TRAY_ONLINE"))),
      connectionFails_(Dimmed(online_)),
      probe_(&QSystemTrayIcon::isSystemTrayAvailable),
      hostWatch_(new QTimer(this)) {
  icon_->setObjectName(QStringLiteral("CoolTrayIcon"));
  menu_->setObjectName(QStringLiteral("suiPopupMenu1"));
  const auto addItem = [this](const char* name, const QString& text, void (TrayIcon::*signal)()) {
    QAction* item = menu_->addAction(text);
    item->setObjectName(QString::fromLatin1(name));
    connect(item, &QAction::triggered, this, signal);
  };
  addItem("TrayMainForm", UiText("MainForm(&M)"), &TrayIcon::mainFormRequested);
  menu_->addSeparator();
  addItem("TrayVisit", UiText("Visit Kelbrin(&W)"), &TrayIcon::visitRequested);
  addItem("TrayAbout", UiText("About (&A)..."), &TrayIcon::aboutRequested);
  menu_->addSeparator();
  addItem("TrayQuit", UiText("Quit (&X)"), &TrayIcon::quitRequested);
  icon_->setContextMenu(menu_);
  icon_->setIcon(offline_);
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger) Q_EMIT clicked();
  });
  hostWatch_->setObjectName(QStringLiteral("TrayHostWatch"));
  hostWatch_->setInterval(kHostWatchMs);
  connect(hostWatch_, &QTimer::timeout, this, &TrayIcon::HostPresent);
  HostPresent();
}

// The menu has no parent widget (the icon is not a widget); it goes with the icon.
TrayIcon::~TrayIcon() {
  icon_->hide();
  delete menu_;
}

void TrayIcon::SetState(int iconIndex, const QString& hint) {
  if (iconIndex != iconIndex_) {
    iconIndex_ = iconIndex;
    icon_->setIcon(iconIndex == kOnlineIcon            ? online_
                   : iconIndex == kConnectionFailsIcon ? connectionFails_
                                                       : offline_);
  }
  if (icon_->toolTip() != hint) icon_->setToolTip(hint);
}

void TrayIcon::SetHostProbe(HostProbe probe) {
  probe_ = std::move(probe);
  HostPresent();
}

bool TrayIcon::HostPresent() {
  const bool present = probe_();
  const bool cameLater = present && !hostPresent_;
  // Recorded before the icon is shown again: showing it raises events whose handlers may ask
  // again, and they must find the host already known.
  hostPresent_ = present;
  if (cameLater && icon_->isVisible()) {
    // A host that came later: register the icon with it.
    icon_->hide();
    icon_->show();
  }
  if (present) {
    hostWatch_->stop();
  } else if (!hostWatch_->isActive()) {
    hostWatch_->start();
  }
  return present;
}

bool TrayIcon::IsShown() { return icon_->isVisible() && HostPresent(); }

QString TrayIcon::Hint() const { return icon_->toolTip(); }

void TrayIcon::Show() { icon_->show(); }

}  // namespace kelbrin::gui
