#include "app/service/ServiceCommand.h"

#include <unistd.h>

#include <csignal>
#include <exception>
#include <optional>

#include "app/bus/StatusFile.h"
#include "app/entry/RootOptions.h"
#include "app/service/ClientBus.h"
#include "app/service/ServiceReload.h"
#include "app/service/ServiceStatus.h"
#include "client/ClientRoot.h"
#include "platform/bus/PollWait.h"
#include "platform/files/ServiceInstanceLock.h"
#include "platform/process/NonDumpable.h"
#include "platform/systemd/JournalStream.h"
#include "platform/systemd/SystemdNotify.h"
#include "runtime/Clock.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/SignalQuit.h"
#include "runtime/Translate.h"
#include "session/HeadlessPresenter.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

namespace {

// Publishes the client on `kind`, served by `idle` on the loop's thread from now on. Neither a
// bus out of reach nor a lost one stops the client: it says so once and goes on.
void ServeOnBus(ClientBus& bus, platform::BusKind kind, client::ClientRoot& root,
                runtime::CoreEventLoop& loop, platform::PollWait& idle, std::ostream& err,
                bool journal) {
  const char* warning = journal ? "<4>" : "";
  try {
    bus.Publish(kind, root, [&loop] { loop.Quit(); });
  } catch (const std::runtime_error& error) {
    err << warning << "kelbrin-client: " << runtime::Translate("not on D-Bus (%1)", {error.what()})
        << '\n';
    return;
  }
  platform::BusService& service = *bus.Service();
  auto watch = std::make_shared<int>(0);
  *watch = idle.Add({service.Fd(), [&service] { return service.Events(); },
                     [&service] { return service.Timeout(); },
                     [&bus, &idle, &err, warning, watch] {
                       if (bus.Service()->Process()) return;
                       err << warning
                           << "kelbrin-client: " << runtime::Translate("D-Bus connection lost")
                           << '\n';
                       idle.Remove(*watch);
                       bus.Drop();
                     }});
  service.Process();  // what came with the name, before the first wait
}

}  // namespace

platform::BusKind ServiceBus(const std::optional<std::string>& bus) {
  if (bus) return *bus == "system" ? platform::BusKind::System : platform::BusKind::Session;
  return ::geteuid() == 0 ? platform::BusKind::System : platform::BusKind::Session;
}

int RunService(const runtime::Pace& pace, const std::string& endpoint, platform::BusKind busKind,
               std::ostream& err) {
  std::optional<platform::ServiceInstanceLock> instance;
  try {
    platform::MakeNotDumpable();  // before the password is read from the settings
    instance.emplace(settings::ConfigRoot());
  } catch (const platform::ServiceAlreadyRuns& running) {
    err << "kelbrin-client: "
        << runtime::Translate(platform::ServiceAlreadyRuns::kText, {running.Folder().string()})
        << '\n';
    return 1;
  } catch (const std::exception& error) {
    err << "kelbrin-client: " << error.what() << '\n';
    return 1;
  }
  // systemd (Type=notify) learns when the service is up, how the session is, and when it stops.
  platform::SystemdNotify notify;
  const bool journal = platform::StandardErrorIsJournal();
  runtime::Clock& clock = runtime::RealClock();
  runtime::CoreEventLoop loop(clock);
  // The loop sleeps in poll() on the bus and its own wake-up, so the bus costs no thread.
  std::optional<platform::PollWait> idle;
  try {
    idle.emplace();
  } catch (const std::exception& error) {
    err << "kelbrin-client: " << error.what() << '\n';
    return 1;
  }
  loop.SetIdleWait([&idle](std::optional<runtime::Duration> timeout) { idle->WaitFor(timeout); },
                   [&idle] { idle->Wake(); });
  // The presenter follows the session's event log, so it must go before the session does; after
  // Shutdown the session no longer calls it.
  std::optional<session::HeadlessPresenter> presenter(std::in_place, err, journal);
  // Every effect also goes to the bus, for a desktop that shows this service.
  ClientBus bus(*presenter);
  client::ClientOptions options = RootOptions(pace, endpoint);
  if (!options.addressHistory) {
    err << (journal ? "<4>" : "") << "kelbrin-client: "
        << runtime::Translate("no address history is kept: no state folder (STATE_DIRECTORY, "
                              "XDG_STATE_HOME or HOME)")
        << '\n';
  }
  client::ClientRoot root(loop, clock, bus, std::move(options));
  session::SessionController& session = root.Session();
  ServiceStatusReporter status(notify);
  // Where no bus runs (a container), --status and --health read this file.
  StatusFileWriter statusFile;
  bus.SetObserver([&](const platform::BusProperties& properties) {
    status.Update(SessionFactsOf(properties));
    statusFile.Update(properties);
  });
  session.SetViewObserver([&bus](const session::SessionView&) { bus.Refresh(); });
  {
    const runtime::SignalQuit quit(
        loop,
        [&err, &loop, journal](int signo) {
          err << (journal ? "<5>" : "") << "kelbrin-client: "
              << runtime::Translate("%1, stopping", {signo == SIGTERM ? "SIGTERM" : "SIGINT"})
              << '\n';
          loop.Quit();
        },
        [&err, &root, &notify, journal] {
          // systemctl reload waits between the two messages.
          notify.Send("RELOADING=1");
          err << (journal ? "<5>" : "") << "kelbrin-client: "
              << runtime::Translate("SIGHUP, reading the settings again") << '\n';
          ReloadSettings(root);
          notify.Ready();
        });
    root.InitClient(true);
    presenter->Follow(root.EventLog().List());
    root.EventLog().List().AddObserver(&bus);
    ServeOnBus(bus, busKind, root, loop, *idle, err, journal);
    notify.Ready();
    loop.Run();
  }
  notify.Stopping();
  root.Shutdown();
  presenter.reset();
  return 0;
}

}  // namespace kelbrin::app
