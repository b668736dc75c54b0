#include "app/ServiceCommand.h"

#include <csignal>
#include <exception>
#include <optional>

#include "platform/NonDumpable.h"
#include "platform/ServiceInstanceLock.h"
#include "protocol/Transport.h"
#include "runtime/Clock.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/SignalQuit.h"
#include "session/HeadlessPresenter.h"
#include "session/SessionController.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

int RunService(const runtime::Pace& pace, std::ostream& err) {
  std::optional<platform::ServiceInstanceLock> instance;
  try {
    platform::MakeNotDumpable();  // before the password is read from the settings
    instance.emplace(settings::ConfigRoot());
  } catch (const std::exception& error) {
    err << "kelbrin-client: " << error.what() << '\n';
    return 1;
  }
  runtime::Clock& clock = runtime::realClock();
  runtime::CoreEventLoop loop(clock);
  // The presenter follows the controller's event log, so it must go before the controller does;
  // after Shutdown the controller no longer calls it.
  std::optional<session::HeadlessPresenter> presenter(std::in_place, err);
  session::SessionController controller(loop, clock, *presenter,
                                        session::SessionOptions{pace, protocol::ServerUrl()});
  {
    const runtime::SignalQuit quit(loop, [&err](int signo) {
      err << "kelbrin-client: " << (signo == SIGTERM ? "SIGTERM" : "SIGINT") << ", stopping\n";
    });
    controller.InitClient(true);
    presenter->Follow(controller.EventLog().List());
    loop.run();
  }
  controller.Shutdown();
  presenter.reset();
  return 0;
}

}  // namespace kelbrin::app
