#include "gui/ShellOpen.h"

#include <QProcess>
#include <utility>

namespace kelbrin::gui {

namespace {

void OpenWithXdgOpen(const QString& target) {
  QProcess::startDetached(QStringLiteral("xdg-open"), {target});
}

ShellOpenHandler& Handler() {
  static ShellOpenHandler handler = OpenWithXdgOpen;
  return handler;
}

}  // namespace

void ShellOpen(const QString& target) {
  if (target.isEmpty()) return;
  Handler()(target);
}

QString WebAddress(const QString& address) {
  if (address.isEmpty() || address.contains(QStringLiteral("://"))) return address;
  return QStringLiteral("http://") + address;
}

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
  return std::exchange(Handler(), handler ? std::move(handler) : OpenWithXdgOpen);
}

}  // namespace kelbrin::gui
