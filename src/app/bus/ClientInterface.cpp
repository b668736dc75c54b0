#include "app/bus/ClientInterface.h"

#include <type_traits>

namespace kelbrin::app {

namespace {

using namespace std::chrono;
using platform::BusProperties;

template <typename T>
T Property(const BusProperties& properties, const std::string& name, T fallback) {
  const auto it = properties.find(name);
  if (it == properties.end()) return fallback;
  const T* value = std::get_if<T>(&it->second);
  return value != nullptr ? *value : fallback;
}

}  // namespace

std::string TextProperty(const BusProperties& properties, const std::string& name) {
  return Property<std::string>(properties, name, {});
}
std::uint32_t NumberProperty(const BusProperties& properties, const std::string& name) {
  return Property<std::uint32_t>(properties, name, 0);
}
std::uint64_t TimeProperty(const BusProperties& properties, const std::string& name) {
  return Property<std::uint64_t>(properties, name, 0);
}
bool FlagProperty(const BusProperties& properties, const std::string& name) {
  return Property<bool>(properties, name, false);
}

std::uint64_t BusTime(system_clock::time_point time) {
  const auto since = duration_cast<microseconds>(time.time_since_epoch()).count();
  return since > 0 ? static_cast<std::uint64_t>(since) : 0;
}

system_clock::time_point FromBusTime(std::uint64_t microseconds) {
  return system_clock::time_point(duration_cast<system_clock::duration>(
      std::chrono::microseconds(static_cast<std::int64_t>(microseconds))));
}

BusProperties PropertiesOf(const session::SessionFacts& facts, const LineFacts& line) {
  const session::AccountFacts account = facts.account.value_or(session::AccountFacts{});
  return {
      {"State", static_cast<std::uint32_t>(facts.state)},
      {"LastError", facts.lastError},
      {"UserName", facts.userName},
      {"UserId", account.userId},
      {"AccountStatus", account.status},
      {"AccountType", account.type},
      {"Deadline", account.deadline ? BusTime(sys_days(*account.deadline)) : std::uint64_t{0}},
      {"PaymentDue", facts.paymentDue},
      {"Address", facts.address},
      {"AddressSince", BusTime(facts.addressSince)},
      {"LastAnswer", BusTime(facts.lastAnswer)},
      {"DomainCount", facts.domainCount.value_or(0)},
      {"ServiceListFetching", facts.serviceListFetching},
      {"SavePassword", facts.savePassword},
      {"StartWithDesktop", facts.startWithDesktop},
      {"RunAsService", facts.runAsService},
      {"ReportSystemInfo", facts.reportSystemInfo},
      {"LineKind", line.kind},
      {"LineName", line.name},
      {"LineUserName", line.userName},
      {"LineAutoConnect", line.autoConnect},
      {"LineState", static_cast<std::uint32_t>(line.state)},
  };
}

session::SessionFacts SessionFactsOf(const BusProperties& properties) {
  session::SessionFacts facts;
  const std::uint32_t state = NumberProperty(properties, "State");
  facts.state = state < session::kSessionStateCount ? static_cast<session::SessionState>(state)
                                                    : session::SessionState::LoggedOut;
  facts.lastError = TextProperty(properties, "LastError");
  facts.userName = TextProperty(properties, "UserName");
  if (session::IsLoggedIn(facts.state) && !TextProperty(properties, "AccountStatus").empty()) {
    session::AccountFacts account;
    account.userId = TextProperty(properties, "UserId");
    account.status = TextProperty(properties, "AccountStatus");
    account.type = TextProperty(properties, "AccountType");
    if (const std::uint64_t deadline = TimeProperty(properties, "Deadline"); deadline != 0)
      account.deadline = floor<days>(FromBusTime(deadline));
    facts.account = account;
  }
  facts.paymentDue = FlagProperty(properties, "PaymentDue");
  facts.address = TextProperty(properties, "Address");
  facts.addressSince = FromBusTime(TimeProperty(properties, "AddressSince"));
  facts.lastAnswer = FromBusTime(TimeProperty(properties, "LastAnswer"));
  // Whether a list has come at all the reader learns from GetServiceList (DomainCount is 0 for
  // none as for an empty one).
  facts.serviceListFetching = FlagProperty(properties, "ServiceListFetching");
  facts.savePassword = FlagProperty(properties, "SavePassword");
  facts.startWithDesktop = FlagProperty(properties, "StartWithDesktop");
  facts.runAsService = FlagProperty(properties, "RunAsService");
  facts.reportSystemInfo = FlagProperty(properties, "ReportSystemInfo");
  return facts;
}

LineFacts LineFactsOf(const BusProperties& properties) {
  LineFacts line;
  line.kind = TextProperty(properties, "LineKind");
  line.name = TextProperty(properties, "LineName");
  line.userName = TextProperty(properties, "LineUserName");
  line.autoConnect = FlagProperty(properties, "LineAutoConnect");
  const std::uint32_t state = NumberProperty(properties, "LineState");
  line.state = state <= 2 ? static_cast<LineState>(state) : LineState::None;
  return line;
}

}  // namespace kelbrin::app
