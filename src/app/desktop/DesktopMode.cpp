#include "app/desktop/DesktopMode.h"

#include <QApplication>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <chrono>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/commands/ServiceSetup.h"
#include "app/desktop/DesktopFace.h"
#include "app/desktop/OwnServiceStopper.h"
#include "app/desktop/ServiceInstaller.h"
#include "app/desktop/StateReport.h"
#include "app/entry/RootOptions.h"
#include "gui/DesktopPresenter.h"
#include "gui/PlatformPlugins.h"
#include "gui/QtEventLoop.h"
#include "gui/QtTranslations.h"
#include "gui/TMainForm.h"
#include "platform/files/Autostart.h"
#include "platform/files/ConfigHome.h"
#include "platform/machine/Display.h"
#include "platform/machine/Tone.h"
#include "platform/process/SingleInstance.h"
#include "platform/systemd/SystemdNotify.h"
#include "runtime/SignalQuit.h"
#include "runtime/Translate.h"
#include "settings/PubUtil.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::app {

namespace {

// How long a start that finds another instance holding the lock waits for it to answer: that
// one may still be starting on a busy machine.
constexpr std::chrono::seconds kHolderWait{30};

}  // namespace

int RunDesktopWindow(const DesktopStart& start, std::ostream& err) {
  // Started by a Type=notify unit in a session with a display: systemd waits for READY=1.
  platform::SystemdNotify notify;
  std::optional<platform::SingleInstance> instance;
  if (!start.serviceMode) {
    try {
      instance.emplace(kInstanceName);
      switch (instance->AcquireOrHandOver(kHolderWait)) {
        case platform::SingleInstance::Start::Owner:
          break;
        case platform::SingleInstance::Start::HandedOver:
          return 0;
        case platform::SingleInstance::Start::NoAnswer:
          err << "kelbrin-client: "
              << runtime::Translate(
                     "another Kelbrin client of this user is running but does not answer")
              << '\n';
          return 1;
      }
    } catch (const std::system_error& error) {
      // The lock file or socket cannot be set up: the guard is missing, the program still starts.
      err << "kelbrin-client: "
          << runtime::Translate("no single-instance guard: %1", {error.what()}) << '\n';
      instance.reset();
    }
  }

  if (!platform::HasDisplay()) {
    err << "kelbrin-client: "
        << runtime::Translate(
               "no display to show the desktop on (DISPLAY is not set); use "
               "--service or --once (see --help)")
        << '\n';
    return 1;
  }

  // Qt aborts when no platform plugin loads: without one for this display, say what to install.
  const platform::PlatformChoice platform = platform::ChoosePlatform(
      platform::SessionDisplays::FromEnvironment(), gui::InstalledPlatformPlugins());
  if (!platform.missingPackages.empty()) {
    const auto& packages = platform.missingPackages;
    err << "kelbrin-client: "
        << (packages.size() == 1
                ? runtime::Translate("no Qt platform plugin for this display; install %1",
                                     {packages[0]})
                : runtime::Translate("no Qt platform plugin for this display; install %1 or %2",
                                     {packages[0], packages[1]}))
        << '\n';
    return 1;
  }

  char program[] = "kelbrin-client";
  char platformSwitch[] = "-platform";
  std::string plugins = platform.plugins;
  std::vector<char*> arguments{program};
  if (!plugins.empty()) arguments.insert(arguments.end(), {platformSwitch, plugins.data()});
  int argc = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);
  QApplication application(argc, arguments.data());
  gui::LoadQtTranslations(application);
  QApplication::setApplicationName(QString::fromUtf8(kInstanceName));
  // The about box or a message box closing must not end a program that lives in the tray.
  QApplication::setQuitOnLastWindowClosed(false);

  runtime::Clock& clock = runtime::RealClock();
  gui::QtEventLoop loop(clock);
  // exit(), not quit(): a quit asks the windows to close first, and the main window refuses
  // (closing only hides it to the tray).
  const runtime::SignalQuit signalQuit(loop, [](int) { QCoreApplication::exit(0); });
  gui::DesktopPresenter desktopPresenter(start.pace, [](unsigned frequencyHz, unsigned durationMs) {
    platform::PlayTone(frequencyHz, durationMs);
  });
  std::optional<StateReport> report;
  if (start.stateReport) report.emplace(*start.stateReport, desktopPresenter);
  runtime::Presenter& presenter =
      report ? static_cast<runtime::Presenter&>(*report) : desktopPresenter;

  auto installer = std::make_unique<ServiceInstaller>(
      loop, presenter, [endpoint = start.endpointOverride](bool install) {
        return ServiceSetupCommand(install, platform::RunningExecutable(), settings::ConfigRoot(),
                                   endpoint, platform::RunsAsRoot());
      });
  OwnServiceStopper stopper(platform::SystemServiceManager(), kServiceName);
  // A second start's hand-over brings the window to the front; one that comes while there is
  // no window (before the first, or between two during a take-over) is kept for the next.
  gui::TMainForm* window = nullptr;
  bool showWanted = false;
  std::unique_ptr<QSocketNotifier> handOver;
  if (instance) {
    handOver = std::make_unique<QSocketNotifier>(instance->ListenFd(), QSocketNotifier::Read);
    QObject::connect(handOver.get(), &QSocketNotifier::activated,
                     [&instance, &window, &showWanted] {
                       instance->ServePending([&window, &showWanted] {
                         if (window != nullptr) {
                           window->ShowFromTray();
                         } else {
                           showWanted = true;
                         }
                       });
                     });
  }

  // What depends on the run mode.
  const auto complete = [&](gui::TMainForm::Services& services) {
    services.installService = [&installer](auto done) {
      installer->InstallService(std::move(done));
    };
    services.uninstallService = [&installer](auto done) {
      installer->UninstallService(std::move(done));
    };
    if (start.serviceMode) {
      services.exitAction = [&stopper] { stopper.StopOwnService(); };
    } else {
      services.exitAction = [] { QCoreApplication::exit(0); };  // quit() would ask the window first
    }
  };
  const auto windowChanged = [&](gui::TMainForm* form, const session::SessionReadout* session) {
    window = form;
    desktopPresenter.SetMainWindow(form);
    if (report) {
      if (form != nullptr) {
        report->Attach(*session, *form);
      } else {
        report->Detach();
      }
    }
    if (form != nullptr && std::exchange(showWanted, false)) form->ShowFromTray();
  };
  std::optional<DesktopFace> face(
      std::in_place,
      DesktopFace::Setup{.loop = loop,
                         .clock = clock,
                         .presenter = presenter,
                         .options = [&start] { return RootOptions(start.pace, start.serverUrl); },
                         .complete = complete,
                         .windowChanged = windowChanged,
                         .buses = {QDBusConnection::systemBus(), QDBusConnection::sessionBus()},
                         .serviceMode = start.serviceMode});
  face->Start();
  notify.Ready();
  const int status = QApplication::exec();
  notify.Stopping();

  handOver.reset();
  face.reset();
  installer.reset();
  return status;
}

}  // namespace kelbrin::app

extern "C" int KelbrinRunDesktop(const kelbrin::app::DesktopStart* start, std::ostream* err) {
  return kelbrin::app::RunDesktopWindow(*start, *err);
}
