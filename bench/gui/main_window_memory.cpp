// Resident memory of the desktop window at idle: the session controller on the Qt event loop,
// the main window built and hidden with its tray icon (the state after a start with a saved
// password), then the same with the window shown once on each page. Prints VmRSS and VmHWM of
// this process from /proc/self/status. The whole program's figure (start-up, workers, a real
// session) is measured end to end; this isolates what the window adds.
//   QT_QPA_PLATFORM=offscreen bench_main_window_memory [idle-ms]
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "client/ClientRoot.h"
#include "gui/DesktopPresenter.h"
#include "gui/QtEventLoop.h"
#include "gui/TMainForm.h"
#include "gui/WindowServices.h"
#include "settings/PubUtil.h"

namespace {

std::string statusLine(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return line;
  }
  return std::string(key) + " ?";
}

void report(const char* stage) {
  std::printf("%-28s %s  %s\n", stage, statusLine("VmRSS:").c_str(), statusLine("VmHWM:").c_str());
}

void idle(int ms) {
  QEventLoop wait;
  QTimer::singleShot(ms, &wait, &QEventLoop::quit);
  wait.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const int idleMs = argc > 1 ? std::stoi(argv[1]) : 1000;
  // A store of its own, so that the run never touches the user's settings.
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("kelbrin-bench-" + std::to_string(getpid()));
  kelbrin::settings::SetConfigRoot(root);
  report("application");
  {
    kelbrin::gui::QtEventLoop loop;
    kelbrin::runtime::Pace pace;
    kelbrin::gui::DesktopPresenter presenter(pace, [](unsigned, unsigned) {});
    kelbrin::client::ClientOptions options;
    options.pace = pace;
    options.endpoint = "http://127.0.0.1:9/pelmar/pelmar.dll/";
    kelbrin::client::ClientRoot client(loop, kelbrin::runtime::RealClock(), presenter, options);
    kelbrin::gui::TMainForm form(kelbrin::gui::WindowServices(client, presenter));
    client.InitClient(false);  // no saved password: it asks for the window ...
    form.HideToTray();             // ... which goes back to the tray at once
    idle(idleMs);
    report("window hidden, tray icon");
    form.ShowFromTray();
    for (int page = 0; page < 5; ++page) {
      form.SetActivePage(page);
      idle(idleMs / 5);
    }
    form.HideToTray();
    idle(idleMs);
    report("after every page once");
  }
  std::filesystem::remove_all(root);
  return 0;
}
