#include "gui/ShellOpen.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <exception>
#include <memory>
#include <utility>

#include "gui/UiText.h"
#include "platform/files/ForwardingPage.h"

namespace kelbrin::gui {

namespace {

// Keeps a forwarding page while the browser may still be loading it; the page goes with the
// keeper, which is a child of the application, so at the latest when the application ends.
class PageKeeper : public QObject {
 public:
  PageKeeper(std::unique_ptr<platform::ForwardingPage> page, QObject* parent)
      : QObject(parent), page_(std::move(page)) {}

 private:
  std::unique_ptr<platform::ForwardingPage> page_;
};

bool IsWebAddress(const QString& target) {
  return target.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
         target.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}

// xdg-open ends with an error when no program takes the link (no browser, say), and says so only
// on standard error: the box tells the user instead. The process has no parent, so that the
// application ending does not end a browser that xdg-open runs in its own place; it goes once it
// has finished.
void WatchXdgOpen(const QString& argument) {
  auto* process = new QProcess;
  process->setProgram(QStringLiteral("xdg-open"));
  process->setArguments({argument});
  process->setStandardInputFile(QProcess::nullDevice());
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(process, &QProcess::finished, process,
                   [process](int code, QProcess::ExitStatus status) {
                     process->deleteLater();
                     if (status == QProcess::NormalExit && code == 0) return;
                     QMessageBox::information(
                         nullptr, UiText("Tip"),
                         UiText("The link cannot be opened: no program of this desktop took it "
                                "(xdg-open ended with an error).\nInstall a web browser or "
                                "choose one as the desktop's default."));
                   });
  process->start();
}

// Without xdg-open a link would do nothing at all; the box says what is missing.
bool StartXdgOpen(const QString& argument) {
  if (!QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
    WatchXdgOpen(argument);
    return true;
  }
  QMessageBox::information(nullptr, UiText("Tip"),
                           UiText("The link cannot be opened: xdg-open was not found.\n"
                                  "Install the xdg-utils package to open links."));
  return false;
}

void OpenWithXdgOpen(const QString& target, std::chrono::milliseconds pageLifetime) {
  if (!IsWebAddress(target)) {
    StartXdgOpen(target);
    return;
  }
  std::unique_ptr<platform::ForwardingPage> page;
  try {
    page = std::make_unique<platform::ForwardingPage>(target.toStdString());
  } catch (const std::exception&) {
    return;  // no private place for the page: the address is not handed out at all
  }
  const QString fileUrl = QString::fromStdString(page->FileUrl());
  if (!StartXdgOpen(fileUrl)) return;
  auto* keeper = new PageKeeper(std::move(page), QCoreApplication::instance());
  QTimer::singleShot(pageLifetime, keeper, &QObject::deleteLater);
}

ShellOpenHandler& Handler() {
  static ShellOpenHandler handler = XdgOpenHandler();
  return handler;
}

}  // namespace

ShellOpenHandler XdgOpenHandler(std::chrono::milliseconds pageLifetime) {
  return [pageLifetime](const QString& target) { OpenWithXdgOpen(target, pageLifetime); };
}

void ShellOpen(const QString& target) {
  if (target.isEmpty()) return;
  Handler()(target);
}

QString WebAddress(const QString& address) {
  if (address.isEmpty() || address.contains(QStringLiteral("://"))) return address;
  return QStringLiteral("http://") + address;
}

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
  return std::exchange(Handler(), handler ? std::move(handler) : XdgOpenHandler());
}

}  // namespace kelbrin::gui
