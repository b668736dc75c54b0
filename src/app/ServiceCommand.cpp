#include "app/ServiceCommand.h"

#include <csignal>
#include <optional>

#include "client/ClientRoot.h"
#include "runtime/Clock.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/SignalQuit.h"
#include "session/HeadlessPresenter.h"

namespace kelbrin::app {

int RunService(const runtime::Pace& pace, const std::string& endpoint, std::ostream& err) {
  runtime::Clock& clock = runtime::realClock();
  runtime::CoreEventLoop loop(clock);
  // The presenter follows the session's event log, so it must go before the session does; after
  // Shutdown the session no longer calls it.
  std::optional<session::HeadlessPresenter> presenter(std::in_place, err);
  client::ClientRoot root(loop, clock, *presenter, client::ClientOptions{pace, endpoint});
  {
    const runtime::SignalQuit quit(loop, [&err, &loop](int signo) {
      err << "kelbrin-client: " << (signo == SIGTERM ? "SIGTERM" : "SIGINT") << ", stopping\n";
      loop.quit();
    });
    root.InitClient(true);
    presenter->Follow(root.Session().EventLog().List());
    loop.run();
  }
  root.Shutdown();
  presenter.reset();
  return 0;
}

}  // namespace kelbrin::app
