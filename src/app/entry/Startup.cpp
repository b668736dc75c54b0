#include "app/entry/Startup.h"

#include "app/desktop/DesktopMode.h"
#include "app/service/ServiceCommand.h"
#include "app/commands/ServiceSetup.h"
#include "platform/machine/Display.h"
#include "platform/process/SingleInstance.h"
#include "platform/systemd/ServiceManager.h"

namespace kelbrin::app {
namespace {

// How long a starting process waits for a running instance to confirm the hand-over.
constexpr std::chrono::seconds kHandOverWait{3};

bool HandedOver() {
  try {
    return platform::SingleInstance(kInstanceName).HandOver(kHandOverWait);
  } catch (const std::exception&) {
    return false;  // no usable runtime folder: nobody can be listening there either
  }
}

}  // namespace

int RunStartup(const StartRequest& request, std::ostream& out, std::ostream& err) {
  if (request.switches.HasServiceSwitch()) {
    return RunServiceSetup(request.switches, request.options, platform::SystemServiceManager(), out,
                           err);
  }
  // The service runs beside a desktop, which attaches to it: it never hands over to one.
  if (request.service)
    return RunService(request.pace, request.serverUrl, ServiceBus(request.options.bus), err);
  if (HandedOver()) return 0;

  DesktopStart desktop{request.pace, request.serverUrl, request.options.endpoint, false,
                       request.stateReport};
  if (platform::SystemServiceManager().RunsAs(kServiceName)) {
    if (!HasDesktop() || !platform::HasDisplay()) {
      return RunService(request.pace, request.serverUrl, ServiceBus(request.options.bus), err);
    }
    desktop.serviceMode = true;
  }
  return RunDesktop(desktop, err);
}

}  // namespace kelbrin::app
