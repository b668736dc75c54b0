#include "app/ServiceCommand.h"

#include <csignal>
#include <optional>

#include "app/ServiceStatus.h"
#include "platform/JournalStream.h"
#include "platform/SystemdNotify.h"
#include "protocol/Transport.h"
#include "runtime/Clock.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/SignalQuit.h"
#include "session/HeadlessPresenter.h"
#include "session/SessionController.h"

namespace kelbrin::app {

int RunService(const runtime::Pace& pace, std::ostream& err) {
  // systemd (Type=notify) learns when the service is up, how the session is, and when it stops.
  platform::SystemdNotify notify;
  const bool journal = platform::StandardErrorIsJournal();
  runtime::Clock& clock = runtime::realClock();
  runtime::CoreEventLoop loop(clock);
  // The presenter follows the controller's event log, so it must go before the controller does;
  // after Shutdown the controller no longer calls it.
  std::optional<session::HeadlessPresenter> presenter(std::in_place, err, journal);
  session::SessionController controller(loop, clock, *presenter,
                                        session::SessionOptions{pace, protocol::ServerUrl()});
  ServiceStatusReporter status(notify);
  controller.SetViewObserver([&status, &controller](const session::SessionView& view) {
    status.Update(controller.IsOnline(), view, session::SessionController::LastErrorText());
  });
  {
    const runtime::SignalQuit quit(loop, [&err, journal](int signo) {
      err << (journal ? "<5>" : "")
          << "kelbrin-client: " << (signo == SIGTERM ? "SIGTERM" : "SIGINT") << ", stopping\n";
    });
    controller.InitClient(true);
    presenter->Follow(controller.EventLog().List());
    status.Update(controller.IsOnline(), controller.View(),
                  session::SessionController::LastErrorText());
    notify.Ready();
    loop.run();
  }
  notify.Stopping();
  controller.Shutdown();
  presenter.reset();
  return 0;
}

}  // namespace kelbrin::app
