#include "session/SettingsChoice.h"

#include "runtime/Translate.h"

namespace kelbrin::session {

std::optional<std::string> SettingsChoiceError(bool savePassword, bool startWithDesktop,
                                               bool runAsService) {
  if (startWithDesktop && runAsService)
    return runtime::Translatable("The service and the desktop's autostart exclude each other");
  if ((startWithDesktop || runAsService) && !savePassword)
    return runtime::Translatable("An unattended start needs the password saved");
  return std::nullopt;
}

}  // namespace kelbrin::session
