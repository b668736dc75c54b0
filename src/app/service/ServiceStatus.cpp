#include "app/service/ServiceStatus.h"

#include "eventlog/LineText.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

std::string ServiceStatusText(bool online, const std::string& address,
                              const std::string& lastError) {
  // The address comes from a reply: escaped, a line end in it could add fields to the status
  // message the service manager reads. The last error is the program's English text, said in the
  // messages language.
  if (online) {
    return address.empty()
               ? runtime::Translate("Online")
               : runtime::Translate("Online — address %1", {eventlog::EscapeControls(address)});
  }
  return lastError.empty()
             ? runtime::Translate("Offline")
             : runtime::Translate("Offline — %1",
                                  {eventlog::EscapeControls(runtime::Translate(lastError))});
}

void ServiceStatusReporter::Update(bool online, const session::SessionView& view,
                                   const std::string& lastError) {
  // The IP label holds the address the service last reported.
  std::string text = ServiceStatusText(online, view.Label27, lastError);
  if (text == shown_) return;
  shown_ = std::move(text);
  notify_.Status(shown_);
}

}  // namespace kelbrin::app
