#include "app/commands/StatusCommand.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/bus/ClientInterface.h"
#include "app/bus/StatusFile.h"
#include "app/service/ServiceStatus.h"
#include "eventlog/LineText.h"
#include "platform/bus/BusClient.h"
#include "runtime/Translate.h"
#include "session/ProfileDisplay.h"

namespace kelbrin::app {

namespace {

using runtime::Translate;
using namespace std::chrono;

std::string Escaped(const platform::BusProperties& properties, const std::string& name) {
  return eventlog::EscapeControls(TextProperty(properties, name));
}

std::string LineStateName(LineState state) {
  switch (state) {
    case LineState::Connected:
      return runtime::Translatable("connected");
    case LineState::NotConnected:
      return runtime::Translatable("not connected");
    case LineState::None:
      break;
  }
  return "";
}

// A JSON string: quotes, backslashes and control characters escaped; the text is UTF-8 already
// (the bus and the status file send nothing else).
std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else {
      json += c;
    }
  }
  return json + '"';
}

std::string JsonTime(std::uint64_t microseconds) {
  if (microseconds == 0) return "null";
  const std::time_t seconds = static_cast<std::time_t>(microseconds / 1000000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "\"%Y-%m-%dT%H:%M:%SZ\"", &utc);
  return text;
}

std::optional<platform::BusProperties> ReadStatusFile() {
  const auto path = StatusFilePath();
  if (!path) return std::nullopt;
  std::ifstream file(*path);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  platform::BusProperties properties = ParseStatusFile(text.str());
  if (properties.find("State") == properties.end()) return std::nullopt;
  return properties;
}

void SayNoClient(const std::optional<std::string>& bus, std::ostream& err) {
  err << "kelbrin-client: "
      << (!bus               ? Translate("no running client on the session or system bus")
          : *bus == "system" ? Translate("no running client on the system bus")
                             : Translate("no running client on the session bus"))
      << '\n';
}

}  // namespace

std::string StatusText(const platform::BusProperties& properties) {
  const session::SessionFacts facts = SessionFactsOf(properties);
  const LineFacts line = LineFactsOf(properties);
  std::string text = ServiceStatusText(facts) + '\n';
  text += Translate("User:      ") + Escaped(properties, "UserName") + '\n';
  text += Translate("Address:   ") + Escaped(properties, "Address") + '\n';
  // The line's kind and state come as the service's English names.
  const std::string lineState = LineStateName(line.state);
  text += Translate("Line:      ") +
          (line.state == LineState::None ? Translate("none")
                                         : Translate(eventlog::EscapeControls(line.kind))) +
          (lineState.empty() ? "" : " (" + Translate(lineState) + ")") + '\n';
  std::string deadline;
  if (facts.account && facts.account->deadline) {
    deadline = session::DeadlineText(year_month_day(*facts.account->deadline),
                                     session::LocalDate(system_clock::now()));
  }
  text += Translate("Deadline:  ") + deadline + '\n';
  return text;
}

std::string StatusJson(const platform::BusProperties& properties) {
  const session::SessionFacts facts = SessionFactsOf(properties);
  const LineFacts line = LineFactsOf(properties);
  const auto text = [&properties](const char* name) {
    return JsonString(TextProperty(properties, name));
  };
  std::string json = "{";
  json += "\"state\":" + JsonString(std::string(session::SessionStateName(facts.state)));
  json += ",\"stateNumber\":" + std::to_string(static_cast<std::uint32_t>(facts.state));
  json += ",\"user\":" + text("UserName");
  json += ",\"userId\":" + text("UserId");
  json += ",\"accountType\":" + text("AccountType");
  json += ",\"address\":" + text("Address");
  json += ",\"addressSince\":" + JsonTime(TimeProperty(properties, "AddressSince"));
  json += ",\"deadline\":" + JsonTime(TimeProperty(properties, "Deadline"));
  json += ",\"paymentDue\":" + std::string(facts.paymentDue ? "true" : "false");
  json += ",\"domains\":" + std::to_string(NumberProperty(properties, "DomainCount"));
  json += ",\"line\":{\"kind\":" + JsonString(line.kind) + ",\"name\":" + JsonString(line.name) +
          ",\"state\":" + JsonString(LineStateName(line.state)) + "}";
  json += ",\"lastError\":" + text("LastError");
  json += ",\"lastAnswer\":" + JsonTime(TimeProperty(properties, "LastAnswer"));
  return json + "}\n";
}

std::optional<platform::BusProperties> FindRunningClient(const std::optional<std::string>& bus) {
  std::vector<platform::BusKind> buses = {platform::BusKind::Session, platform::BusKind::System};
  if (bus) buses = {*bus == "system" ? platform::BusKind::System : platform::BusKind::Session};
  for (const platform::BusKind kind : buses) {
    if (auto properties = platform::ReadBusProperties(kind, kClientBusName, kClientBusPath,
                                                      kClientBusInterface)) {
      return properties;
    }
  }
  // Where no bus runs (a container), the service's own status file tells.
  if (!bus) return ReadStatusFile();
  return std::nullopt;
}

int PrintStatus(const std::optional<std::string>& bus, bool json, std::ostream& out,
                std::ostream& err) {
  const auto properties = FindRunningClient(bus);
  if (!properties) {
    SayNoClient(bus, err);
    return kExitNoClient;
  }
  out << (json ? StatusJson(*properties) : StatusText(*properties));
  return 0;
}

int CheckHealth(const std::optional<std::string>& bus, std::ostream& out, std::ostream& err) {
  const auto properties = FindRunningClient(bus);
  if (!properties) {
    SayNoClient(bus, err);
    return kExitNoClient;
  }
  const session::SessionFacts facts = SessionFactsOf(*properties);
  if (facts.state == session::SessionState::Online) {
    out << ServiceStatusText(facts) << '\n';
    return 0;
  }
  err << "kelbrin-client: " << ServiceStatusText(facts) << '\n';
  return 1;
}

}  // namespace kelbrin::app
