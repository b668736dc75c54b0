#include "app/ServiceCommand.h"

#include <csignal>
#include <exception>
#include <optional>

#include "app/RootOptions.h"
#include "app/ServiceStatus.h"
#include "client/ClientRoot.h"
#include "platform/files/ServiceInstanceLock.h"
#include "platform/process/NonDumpable.h"
#include "platform/systemd/JournalStream.h"
#include "platform/systemd/SystemdNotify.h"
#include "runtime/Clock.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/SignalQuit.h"
#include "session/HeadlessPresenter.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

int RunService(const runtime::Pace& pace, const std::string& endpoint, std::ostream& err) {
  std::optional<platform::ServiceInstanceLock> instance;
  try {
    platform::MakeNotDumpable();  // before the password is read from the settings
    instance.emplace(settings::ConfigRoot());
  } catch (const std::exception& error) {
    err << "kelbrin-client: " << error.what() << '\n';
    return 1;
  }
  // systemd (Type=notify) learns when the service is up, how the session is, and when it stops.
  platform::SystemdNotify notify;
  const bool journal = platform::StandardErrorIsJournal();
  runtime::Clock& clock = runtime::RealClock();
  runtime::CoreEventLoop loop(clock);
  // The presenter follows the session's event log, so it must go before the session does; after
  // Shutdown the session no longer calls it.
  std::optional<session::HeadlessPresenter> presenter(std::in_place, err, journal);
  client::ClientRoot root(loop, clock, *presenter, RootOptions(pace, endpoint));
  session::SessionController& session = root.Session();
  protocol::PelmarClient& pelmar = root.Pelmar();
  ServiceStatusReporter status(notify);
  session.SetViewObserver([&](const session::SessionView& view) {
    status.Update(session.Mark() == 1, view, pelmar.LastErrorText());
  });
  {
    const runtime::SignalQuit quit(loop, [&err, &loop, journal](int signo) {
      err << (journal ? "<5>" : "")
          << "kelbrin-client: " << (signo == SIGTERM ? "SIGTERM" : "SIGINT") << ", stopping\n";
      loop.Quit();
    });
    root.InitClient(true);
    presenter->Follow(root.EventLog().List());
    status.Update(session.Mark() == 1, session.View(), pelmar.LastErrorText());
    notify.Ready();
    loop.Run();
  }
  notify.Stopping();
  root.Shutdown();
  presenter.reset();
  return 0;
}

}  // namespace kelbrin::app
