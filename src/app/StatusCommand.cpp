#include "app/StatusCommand.h"

#include <vector>

#include "app/ClientBus.h"
#include "app/ServiceStatus.h"
#include "eventlog/LineText.h"
#include "platform/bus/BusClient.h"

namespace kelbrin::app {

namespace {

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
  text += "User:      " + TextOf(properties, "UserName") + '\n';
  text += "Address:   " + address + '\n';
  const std::string line = TextOf(properties, "Line");
  const std::string lineState = TextOf(properties, "LineState");
  text += "Line:      " + (line.empty() ? std::string("none") : line) +
          (lineState.empty() ? "" : " (" + lineState + ")") + '\n';
  text += "Deadline:  " + TextOf(properties, "Deadline") + '\n';
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
  err << "kelbrin-client: no running client on the "
      << (bus ? *bus + " bus" : std::string("session or system bus")) << '\n';
  return kExitNoClient;
}

}  // namespace kelbrin::app
