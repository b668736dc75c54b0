#include "app/service/ServiceStatus.h"

#include <ctime>

#include "eventlog/LineText.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

namespace {

std::string LocalTimeOfDay(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace

std::string ServiceStatusText(const session::SessionFacts& facts) {
  using session::SessionState;
  // The address comes from a reply: escaped, a line end in it could add fields to the status
  // message the service manager reads. The last error is the program's English text, said in the
  // messages language.
  switch (facts.state) {
    case SessionState::Online:
      return facts.address.empty() ? runtime::Translate("Online")
                                   : runtime::Translate("Online — address %1",
                                                        {eventlog::EscapeControls(facts.address)});
    case SessionState::ConnectionFails:
      return facts.lastAnswer == std::chrono::system_clock::time_point{}
                 ? runtime::Translate("Connection fails")
                 : runtime::Translate("Connection fails — last answer at %1",
                                      {LocalTimeOfDay(facts.lastAnswer)});
    case SessionState::LoggingIn:
      return runtime::Translate("Logging in");
    case SessionState::LoggedOut:
    case SessionState::Refused:
      break;
  }
  return facts.lastError.empty()
             ? runtime::Translate("Offline")
             : runtime::Translate("Offline — %1",
                                  {eventlog::EscapeControls(runtime::Translate(facts.lastError))});
}

void ServiceStatusReporter::Update(const session::SessionFacts& facts) {
  std::string text = ServiceStatusText(facts);
  if (text == shown_) return;
  shown_ = std::move(text);
  notify_.Status(shown_);
}

}  // namespace kelbrin::app
