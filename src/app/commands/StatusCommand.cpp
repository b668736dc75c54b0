#include "app/commands/StatusCommand.h"

#include <vector>

#include "app/bus/ClientInterface.h"
#include "app/service/ServiceStatus.h"
#include "eventlog/LineText.h"
#include "platform/bus/BusClient.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

namespace {

using runtime::Translate;

std::string TextOf(const platform::BusProperties& properties, const std::string& name) {
  const auto it = properties.find(name);
  const std::string* text =
      it == properties.end() ? nullptr : std::get_if<std::string>(&it->second);
  return text != nullptr ? eventlog::EscapeControls(*text) : std::string();
}

bool FlagOf(const platform::BusProperties& properties, const std::string& name) {
  const auto it = properties.find(name);
  const bool* flag = it == properties.end() ? nullptr : std::get_if<bool>(&it->second);
  return flag != nullptr && *flag;
}

}  // namespace

std::string StatusText(const platform::BusProperties& properties) {
  const std::string address = TextOf(properties, "Address");
  std::string text =
      ServiceStatusText(FlagOf(properties, "Online"), address, TextOf(properties, "LastError")) +
      '\n';
  text += Translate("User:      ") + TextOf(properties, "UserName") + '\n';
  text += Translate("Address:   ") + address + '\n';
  // The line's type and state come as the service's English names.
  const std::string line = TextOf(properties, "Line");
  const std::string lineState = TextOf(properties, "LineState");
  text += Translate("Line:      ") + (line.empty() ? Translate("none") : Translate(line)) +
          (lineState.empty() ? "" : " (" + Translate(lineState) + ")") + '\n';
  text += Translate("Deadline:  ") + TextOf(properties, "Deadline") + '\n';
  return text;
}

int PrintStatus(const std::optional<std::string>& bus, std::ostream& out, std::ostream& err) {
  std::vector<platform::BusKind> buses = {platform::BusKind::Session, platform::BusKind::System};
  if (bus) buses = {*bus == "system" ? platform::BusKind::System : platform::BusKind::Session};
  for (const platform::BusKind kind : buses) {
    if (const auto properties = platform::ReadBusProperties(kind, kClientBusName, kClientBusPath,
                                                            kClientBusInterface)) {
      out << StatusText(*properties);
      return 0;
    }
  }
  err << "kelbrin-client: "
      << (!bus               ? Translate("no running client on the session or system bus")
          : *bus == "system" ? Translate("no running client on the system bus")
                             : Translate("no running client on the session bus"))
      << '\n';
  return kExitNoClient;
}

}  // namespace kelbrin::app
